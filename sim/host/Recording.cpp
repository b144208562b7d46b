#include "Recording.hpp"
#include "ScreenCapture.hpp"

#include <foundation/NSRunLoop.hpp>

#include <chrono>
#include <cmath>

namespace sim {

bool recordWindow(const UIView& window, const std::filesystem::path& gif, double seconds, double framesPerSecond, std::string& error)
{
    ScreenRecorder recorder(gif, framesPerSecond);
    auto frameCount = static_cast<long>(std::ceil(seconds * framesPerSecond));
    auto interval = std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(1.0 / framesPerSecond));
    auto start = std::chrono::steady_clock::now();
    for (long frame = 0; frame < std::max(frameCount, 1L); ++frame) {
        // Frames keep to the clock, so the recording lasts as long as the screen was watched.
        NSRunLoop::mainRunLoop()->runUntilDate(start + frame * interval);
        if (!recorder.addFrame(window)) {
            error = "can't draw the screen";
            return false;
        }
    }
    return recorder.finish(error);
}

}
