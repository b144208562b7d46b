// zova-sim assistant: a process that shows the assistant, with the tweak injected by the loader.
#include "CaptureStep.hpp"
#include "Command.hpp"

#include <AssistantHost.hpp>
#include <foundation/MediaClock.hpp>
#include <uikit/UIScreen.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace sim {

namespace {

// Checks every step before the host starts, so that a typo doesn't leave half a run behind.
bool validateSteps(std::span<const std::string> steps, std::string& error)
{
    for (size_t i = 0; i < steps.size(); ++i) {
        const auto& step = steps[i];
        if (step == "show" || step == "hide" || step == "dump")
            continue;
        if (isCaptureStep(step)) {
            if (!parseCaptureStep(steps, i, error))
                return false;
            continue;
        }
        if (step == "wait") {
            if (i + 1 >= steps.size() || !parseNumber(steps[i + 1], 0, 3600)) {
                error = "wait needs a number of seconds (0 to 3600)";
                return false;
            }
            ++i;
            continue;
        }
        error = "unknown step '" + step + "' (steps: show, hide, wait SECONDS, dump, " + captureStepsHelp + ")";
        return false;
    }
    return true;
}

int runAssistant(const Options& options, std::span<const std::string> arguments)
{
    FlamesClass flamesClass = FlamesClass::Registered;
    auto style = JsonStyle::Compact;
    // The options come before the steps, in either order.
    for (; !arguments.empty(); arguments = arguments.subspan(1)) {
        if (arguments.front() == "--without-flames-class")
            flamesClass = FlamesClass::Absent;
        else if (arguments.front() == "--pretty")
            style = JsonStyle::Pretty;
        else
            break;
    }
    std::string error;
    if (!validateSteps(arguments, error))
        return fail("assistant: " + error, 2);
    if (options.screen && !UIScreen::setMainScreenSize(*options.screen, 3))
        return fail("assistant: the screen size is out of range", 2);

    noteWhetherInstalled(options);
    // A recording runs the host on simulated time from the start, so two runs give the same frames.
    if (recordsScreen(arguments))
        MediaClock::startSimulating();
    AssistantHost host(flamesClass);
    host.wait(0);
    for (size_t i = 0; i < arguments.size(); ++i) {
        const auto& step = arguments[i];
        if (step == "show") {
            host.show();
        } else if (step == "hide") {
            host.hide();
        } else if (step == "wait") {
            host.wait(*parseNumber(arguments[++i], 0, 3600));
        } else if (step == "dump") {
            std::printf("%s\n", dumpJson(host.dump(), style).c_str());
            std::fflush(stdout);
        } else if (isCaptureStep(step)) {
            auto capture = parseCaptureStep(arguments, i, error);
            if (!runCaptureStep(*capture, host.window(), error))
                return fail("assistant: " + step + ": " + error);
        }
        host.wait(0);
    }
    return 0;
}

const bool s_registered = registerCommand({
    "assistant",
    "assistant [--without-flames-class] [--pretty] STEP...",
    "Starts a process that shows the assistant, with the tweak injected, and runs the steps in order:\n"
    "    show (place a new flames view), hide (remove it), wait SECONDS (turn the main run loop), dump\n"
    "    (print the window's view tree as JSON), screenshot FILE.png, record FILE.gif SECONDS [FPS].\n"
    "    --without-flames-class: the host has no flames view class. --pretty: each dump indented over\n"
    "    several lines for reading, instead of one line.",
    true,
    &runAssistant,
});

}

}
