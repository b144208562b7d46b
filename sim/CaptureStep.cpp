#include "CaptureStep.hpp"
#include "Command.hpp"

#include <Recording.hpp>
#include <ScreenCapture.hpp>

#include <cmath>
#include <cstdlib>

namespace sim {

bool isCaptureStep(const std::string& name)
{
    return name == "screenshot" || name == "record";
}

std::optional<CaptureStep> parseCaptureStep(std::span<const std::string> arguments, size_t& index, std::string& error)
{
    CaptureStep step;
    step.isRecording = arguments[index] == "record";
    if (index + 1 >= arguments.size()) {
        error = arguments[index] + " needs a file";
        return std::nullopt;
    }
    step.file = arguments[++index];
    if (!step.isRecording)
        return step;
    auto seconds = index + 1 < arguments.size() ? parseNumber(arguments[index + 1], 0, maximumRecordingSeconds) : std::nullopt;
    if (!seconds || *seconds <= 0) {
        error = "record needs a number of seconds (up to 60)";
        return std::nullopt;
    }
    step.seconds = *seconds;
    ++index;
    step.framesPerSecond = ScreenRecorder::defaultFramesPerSecond;
    if (index + 1 < arguments.size()) {
        if (auto fps = parseNumber(arguments[index + 1], -HUGE_VAL, HUGE_VAL)) {
            if (*fps < 1 || *fps > maximumRecordingFramesPerSecond) {
                error = "record: frames per second from 1 to 30";
                return std::nullopt;
            }
            step.framesPerSecond = *fps;
            ++index;
        }
    }
    return step;
}

bool runCaptureStep(const CaptureStep& step, const UIView& window, std::string& error)
{
    if (step.isRecording)
        return recordWindow(window, step.file, step.seconds, step.framesPerSecond, error);
    return writeScreenshot(window, step.file, error);
}

}
