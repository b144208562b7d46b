// A recording of a window over some seconds, with the main run loop turning between frames, so that
// animations play and store changes arrive as they would on screen.
#pragma once

#include <filesystem>
#include <string>

class UIView;

namespace sim {

inline constexpr double maximumRecordingSeconds = 60;
inline constexpr double maximumRecordingFramesPerSecond = 30;

// The frames a recording of that length and rate has: SECONDS x FPS, at least one.
long recordingFrameCount(double seconds, double framesPerSecond);

// On simulated time (MediaClock) the recording is exact and takes only as long as drawing takes;
// the caller switches to it before its host starts.
bool recordWindow(const UIView& window, const std::filesystem::path& gif, double seconds, double framesPerSecond, std::string& error);

}
