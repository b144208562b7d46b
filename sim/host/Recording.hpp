// A recording of a window over some seconds, with the main run loop turning between frames, so that
// animations play and store changes arrive as they would on screen.
#pragma once

#include <filesystem>
#include <string>

class UIView;

namespace sim {

inline constexpr double maximumRecordingSeconds = 60;
inline constexpr double maximumRecordingFramesPerSecond = 30;

bool recordWindow(const UIView& window, const std::filesystem::path& gif, double seconds, double framesPerSecond, std::string& error);

}
