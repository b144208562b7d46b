// zova-sim settings: a process standing in for the Settings app, with the installed bundles as its
// entries, driven by steps as a user would.
#include "CaptureStep.hpp"
#include "Command.hpp"

#include <SettingsHost.hpp>
#include <foundation/MediaClock.hpp>
#include <uikit/UIScreen.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace sim {

namespace {

struct Step {
    std::string name;
    std::string argument;
    std::optional<CaptureStep> capture;
    // For "tap X,Y" and "drag X,Y DX,DY".
    std::optional<CGPoint> point;
    std::optional<CGPoint> vector;
};

constexpr const char* stepsHelp = "steps: open LABEL, tap TEXT, tap X,Y, drag X,Y DX,DY, row N, back, pick FILE, cancel, "
                                  "wait SECONDS, dump, screenshot FILE.png, record FILE.gif SECONDS [FPS]";
constexpr double largestCoordinate = 100000;

bool needsArgument(const std::string& name)
{
    return name == "open" || name == "tap" || name == "row" || name == "pick" || name == "wait" || name == "drag";
}

// "X,Y" in points; anything else (a row's text, say) is not a point.
std::optional<CGPoint> parsePoint(const std::string& text)
{
    size_t comma = text.find(',');
    if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos)
        return std::nullopt;
    auto x = parseNumber(text.substr(0, comma), -largestCoordinate, largestCoordinate);
    auto y = parseNumber(text.substr(comma + 1), -largestCoordinate, largestCoordinate);
    if (!x || !y)
        return std::nullopt;
    return CGPointMake(*x, *y);
}

// Reads the drag's second argument; the first was read as the step's argument.
bool parseDrag(Step& step, std::span<const std::string> arguments, size_t& i, std::string& error)
{
    step.point = parsePoint(step.argument);
    if (step.point && i + 1 < arguments.size())
        step.vector = parsePoint(arguments[++i]);
    if (step.point && step.vector)
        return true;
    error = "drag needs a point and a distance, as in drag 200,600 0,-300";
    return false;
}

bool isKnown(const std::string& name)
{
    return needsArgument(name) || name == "back" || name == "cancel" || name == "dump";
}

// Checks every step before the app starts, so that a typo doesn't leave half a run behind.
std::optional<std::vector<Step>> parseSteps(std::span<const std::string> arguments, std::string& error)
{
    std::vector<Step> steps;
    for (size_t i = 0; i < arguments.size(); ++i) {
        Step step { arguments[i], {}, {}, {}, {} };
        if (isCaptureStep(step.name)) {
            step.capture = parseCaptureStep(arguments, i, error);
            if (!step.capture)
                return std::nullopt;
            steps.push_back(std::move(step));
            continue;
        }
        if (!isKnown(step.name)) {
            error = "unknown step '" + step.name + "' (" + stepsHelp + ")";
            return std::nullopt;
        }
        if (needsArgument(step.name)) {
            if (i + 1 >= arguments.size()) {
                error = step.name + " needs an argument";
                return std::nullopt;
            }
            step.argument = arguments[++i];
        }
        if (step.name == "drag" && !parseDrag(step, arguments, i, error))
            return std::nullopt;
        if (step.name == "tap")
            step.point = parsePoint(step.argument);
        bool badNumber = (step.name == "wait" && !parseNumber(step.argument, 0, 3600))
            || (step.name == "row" && (!parseNumber(step.argument, 0, 10000) || step.argument.find('.') != std::string::npos));
        if (badNumber) {
            error = step.name + ": bad number '" + step.argument + "'";
            return std::nullopt;
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

bool runStep(SettingsHost& host, const Step& step, JsonStyle style, std::string& error)
{
    if (step.capture)
        return runCaptureStep(*step.capture, host.window(), error);
    if (step.name == "open")
        return host.open(step.argument, error);
    if (step.name == "tap" && step.point)
        return host.tapAt(*step.point, error);
    if (step.name == "tap")
        return host.tap(step.argument, error);
    if (step.name == "drag")
        return host.drag(*step.point, CGVectorMake(step.vector->x, step.vector->y), error);
    if (step.name == "row")
        return host.tapRow(std::stol(step.argument), error);
    if (step.name == "back")
        return host.back(error);
    if (step.name == "pick")
        return host.pick(step.argument, error);
    if (step.name == "cancel")
        return host.cancel(error);
    if (step.name == "wait") {
        host.wait(*parseNumber(step.argument, 0, 3600));
        return true;
    }
    std::printf("%s\n", dumpJson(host.dump(), style).c_str());
    std::fflush(stdout);
    return true;
}

int runSettings(const Options& options, std::span<const std::string> arguments)
{
    auto style = JsonStyle::Compact;
    if (!arguments.empty() && arguments.front() == "--pretty") {
        style = JsonStyle::Pretty;
        arguments = arguments.subspan(1);
    }
    std::string error;
    auto steps = parseSteps(arguments, error);
    if (!steps)
        return fail("settings: " + error, 2);
    if (options.screen && !UIScreen::setMainScreenSize(*options.screen, 3))
        return fail("settings: the screen size is out of range", 2);

    noteWhetherInstalled(options);
    // A recording runs the host on simulated time from the start, so two runs give the same frames.
    if (recordsScreen(arguments))
        MediaClock::startSimulating();
    SettingsHost host;
    host.wait(0);
    for (const auto& step : *steps) {
        if (!runStep(host, step, style, error))
            return fail("settings: " + step.name + (step.argument.empty() ? "" : " " + step.argument) + ": " + error);
        // Let the transition the step started finish, as a user waits before the next tap.
        bool changesScreen = !(step.name == "wait" || step.name == "dump" || step.capture);
        host.wait(changesScreen ? 0.5 : 0);
    }
    return 0;
}

const bool s_registered = registerCommand({
    "settings",
    "settings [--pretty] STEP...",
    "Starts a process standing in for the Settings app and runs the steps in order: open LABEL (an\n"
    "    entry), tap TEXT (a row, button or alert action), tap X,Y (a point, in points), drag X,Y DX,DY\n"
    "    (a finger moved by DX,DY), row N, back, pick FILE / cancel (in the photo library picker),\n"
    "    wait SECONDS, dump (the screen as JSON), screenshot FILE.png, record FILE.gif SECONDS [FPS].\n"
    "    Taps, rows, back and drags are touches on the screen: a covered element is not reached.\n"
    "    --pretty: each dump indented over several lines for reading, instead of one line.",
    true,
    &runSettings,
});

}

}
