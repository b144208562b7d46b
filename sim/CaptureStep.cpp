#include "CaptureStep.hpp"
#include "Command.hpp"

#include <Recording.hpp>
#include <ScreenCapture.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

namespace {

bool hasExtension(const std::filesystem::path& file, const char* extension)
{
    return strcasecmp(file.extension().c_str(), extension) == 0;
}

// Checked before the host starts, so that a long recording isn't thrown away at its end.
bool checkOutputFile(const CaptureStep& step, std::string& error)
{
    const char* name = step.isRecording ? "record" : "screenshot";
    if (!step.isRecording && step.file == standardOutputName)
        return true;
    if (!hasExtension(step.file, step.isRecording ? ".gif" : ".png")) {
        error = std::string(name) + " writes " + (step.isRecording ? "an animated GIF: name the file FILE.gif" : "a PNG: name the file FILE.png, or - for stdout");
        return false;
    }
    auto folder = step.file.parent_path();
    if (folder.empty())
        folder = ".";
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || ::access(folder.c_str(), W_OK) != 0) {
        int reason = errno != 0 ? errno : ENOTDIR;
        if (::stat(folder.c_str(), &status) == 0 && !S_ISDIR(status.st_mode))
            reason = ENOTDIR;
        error = "can't write " + step.file.string() + ": " + std::strerror(reason);
        return false;
    }
    return true;
}

}

bool isCaptureStep(const std::string& name)
{
    return name == "screenshot" || name == "record";
}

bool recordsScreen(std::span<const std::string> steps)
{
    return std::find(steps.begin(), steps.end(), "record") != steps.end();
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
    if (!checkOutputFile(step, error))
        return std::nullopt;
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
