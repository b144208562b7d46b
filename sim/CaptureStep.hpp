// The steps both hosts share to take pictures of their screen: screenshot FILE.png and
// record FILE.gif SECONDS [FPS].
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>

class UIView;

namespace sim {

struct CaptureStep {
    bool isRecording { false };
    std::filesystem::path file;
    double seconds { 0 };
    double framesPerSecond { 0 };
};

inline constexpr const char* captureStepsHelp = "screenshot FILE.png|-, record FILE.gif SECONDS [FPS]";
// The screenshot's file name that means the standard output.
inline constexpr const char* standardOutputName = "-";

bool isCaptureStep(const std::string& name);
// Whether the steps hold a recording.
bool recordsScreen(std::span<const std::string> steps);
// Reads the capture step at arguments[index], moving index to its last argument.
std::optional<CaptureStep> parseCaptureStep(std::span<const std::string> arguments, size_t& index, std::string& error);
bool runCaptureStep(const CaptureStep&, const UIView& window, std::string& error);

}
