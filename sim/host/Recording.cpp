#include "Recording.hpp"
#include "ScreenCapture.hpp"

#include <foundation/MediaClock.hpp>
#include <foundation/NSRunLoop.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace sim {

long recordingFrameCount(double seconds, double framesPerSecond)
{
    // SECONDS x FPS frames, without a spare one from the product's rounding error (0.3 x 10).
    return std::max(1L, static_cast<long>(std::ceil(seconds * framesPerSecond - 1e-9)));
}

bool recordWindow(const UIView& window, const std::filesystem::path& gif, double seconds, double framesPerSecond, std::string& error)
{
    ScreenRecorder recorder(gif, framesPerSecond);
    auto frameCount = recordingFrameCount(seconds, framesPerSecond);
    auto interval = std::chrono::duration_cast<MediaClock::duration>(std::chrono::duration<double>(1.0 / framesPerSecond));
    auto start = MediaClock::now();
    for (long frame = 0; frame < frameCount; ++frame) {
        // Each frame shows the screen at its instant: on simulated time exactly, on real time as
        // near as the machine keeps up.
        NSRunLoop::mainRunLoop()->runUntilDate(start + frame * interval);
        if (!recorder.addFrame(window)) {
            error = "can't draw the screen";
            return false;
        }
    }
    return recorder.finish(error);
}

}
