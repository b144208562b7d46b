// The main run loop: blocks posted from any thread, timers and file-descriptor sources, all run on the
// process's main thread. One loop per process and one mode; no ports, no observers.
#pragma once

#include <foundation/MediaClock.hpp>
#include <objc/NSObject.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class NSRunLoop final : public NSObject {
public:
    // Real time, or simulated time that the loop moves on when nothing else is left to do.
    using Clock = MediaClock;
    // Names a timer or a file-descriptor source; 0 is never a valid one.
    using SourceID = uint64_t;

    ~NSRunLoop() override;

    // The process's loop. It is never destroyed, so sources may be removed during exit.
    static std::shared_ptr<NSRunLoop> mainRunLoop();

    // Everything below may be called from any thread; callbacks always run on the main thread.

    // Runs the block on a later turn of the loop, after every block posted before it.
    void performBlock(std::function<void()> block);
    // Runs the block once the deadline has passed; blocks with equal deadlines run in posting order.
    void performBlockAt(Clock::time_point deadline, std::function<void()> block);
    // A timer that fires after the interval (at least a millisecond), and again every interval if it repeats.
    SourceID addTimer(double intervalSeconds, bool repeats, std::function<void()> callback);
    // Calls back while the descriptor is readable: the callback must drain it. The descriptor stays
    // the caller's, and must be removed before it is closed. 0 when it can't be watched.
    SourceID addFileDescriptorSource(int fd, std::function<void()> onReadable);
    // Removes a timer or a source; it is not called again, even from a turn already under way.
    void removeSource(SourceID);

    // Running: only on the main thread (refused with a line on stderr elsewhere). Calls may nest.
    // Runs until stop().
    void run();
    void runUntilDate(Clock::time_point deadline);
    void runForTimeInterval(double seconds);
    // Runs until the condition holds (true) or the timeout passes first (false). The condition is
    // checked before every wait, so one that already holds returns at once.
    bool runUntil(const std::function<bool()>& condition, double timeoutSeconds);
    // Makes the innermost run call return after the callback under way.
    void stop();

private:
    struct State;

    NSRunLoop();
    bool canRun() const;
    bool runLoop(Clock::time_point deadline, const std::function<bool()>* condition);
    void runOnce(Clock::time_point deadline);
    size_t runPostedBlocks();
    // Timers due by now, or by `until` when that is earlier.
    size_t fireDueTimers(std::optional<Clock::time_point> until = {});
    void waitForEvents(Clock::time_point deadline);
    SourceID addTimerAt(Clock::time_point deadline, Clock::duration interval, bool repeats, std::function<void()>);
    void wake();

    std::unique_ptr<State> m_state;
};
