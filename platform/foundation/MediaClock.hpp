// The clock every timed part of the stand-in reads: the run loop's timers and dispatch_after, the
// transitions, a picture's playback, the flames, sleeps. It is the real monotonic clock, unless the
// process switches to simulated time: then time stands still until the run loop moves it on to the
// next thing that is due, so that what a recording shows at each instant doesn't depend on how fast
// the machine draws, and a recording takes only as long as its work.
#pragma once

#include <chrono>

struct MediaClock {
    using duration = std::chrono::steady_clock::duration;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::steady_clock::time_point;
    static constexpr bool is_steady = true;

    static time_point now() noexcept;

    static bool isSimulated() noexcept;
    // From here on the process runs on simulated time, starting at the real now. For the whole
    // process, and for good: a scripted run decides it before its host starts.
    static void startSimulating() noexcept;
    // Moves simulated time forward to the point; never back. Does nothing on real time.
    static void advanceTo(time_point) noexcept;
    static void advanceBy(duration) noexcept;
};
