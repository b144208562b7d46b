// zova-sim: the simulated device's command line.
#include "Command.hpp"

#include <ScreenCapture.hpp>
#include <foundation/DeviceRoot.hpp>

#include <getopt.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace sim {

namespace {

std::map<std::string, Command>& commands()
{
    static std::map<std::string, Command> registry;
    return registry;
}

// Exit statuses, the same for every command.
constexpr int usageStatus = 2;

void printHelp(std::FILE* out)
{
    std::fprintf(out,
        "usage: zova-sim [OPTIONS] COMMAND [ARGS...]\n"
        "       zova-sim help [COMMAND]\n\n"
        "options:\n"
        "  --root DIR, --root=DIR    the simulated device's file system (a directory of this machine); every\n"
        "                            device path (/Library/..., /var/mobile/...) lives inside it\n"
        "  --screen WxH              the main screen's size in points, each side from %g to %g (default\n"
        "                            390x844, drawn at scale 3)\n"
        "  -h, --help                this help; COMMAND --help or help COMMAND for one command\n"
        "  --version                 the version\n"
        "  --                        ends the options\n\n"
        "The photo library the picker shows is DIR/var/mobile/Media/DCIM. Steps that name rows count them\n"
        "from 0, down the page. Screenshots are drawn at the screen's scale (3); recordings at one pixel per\n"
        "point (at most %g wide), %g frames a second unless FPS is given, on simulated time.\n\n"
        "JSON is printed on one line, for scripts; the commands that print it for reading take --pretty\n"
        "to indent it instead. Text that is not UTF-8 shows U+FFFD in place of the bad bytes.\n\n"
        "exit status: 0 done, 1 failed (the reason is on stderr), 2 a usage error.\n\n"
        "commands:",
        minimumScreenSide, maximumScreenSide, ScreenRecorder::maximumWidth, ScreenRecorder::defaultFramesPerSecond);
    for (const auto& [name, command] : commands())
        std::fprintf(out, "\n  %s\n    %s\n", command.usage, command.summary);
}

int printCommandHelp(const Command& command)
{
    std::printf("usage: zova-sim %s\n  %s\n", command.usage, command.summary);
    return 0;
}

int usageError(const std::string& message)
{
    std::fprintf(stderr, "zova-sim: %s\n(see zova-sim --help)\n", message.c_str());
    return usageStatus;
}

std::optional<CGSize> parseScreen(const std::string& text)
{
    double width = 0, height = 0;
    char separator = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%lf%c%lf%n", &width, &separator, &height, &consumed) != 3
        || separator != 'x' || static_cast<size_t>(consumed) != text.size())
        return std::nullopt;
    auto inRange = [](double side) { return side >= minimumScreenSide && side <= maximumScreenSide; };
    if (!inRange(width) || !inRange(height))
        return std::nullopt;
    return CGSize { width, height };
}

int runHelp(int argc, char** argv, int index)
{
    if (index >= argc) {
        printHelp(stdout);
        return 0;
    }
    if (index + 1 < argc)
        return usageError("help takes at most one command");
    const Command* command = findCommand(argv[index]);
    if (!command)
        return usageError(std::string("unknown command '") + argv[index] + "'");
    return printCommandHelp(*command);
}

}

bool registerCommand(const Command& command)
{
    commands().emplace(command.name, command);
    return true;
}

const Command* findCommand(const std::string& name)
{
    auto it = commands().find(name);
    return it == commands().end() ? nullptr : &it->second;
}

std::optional<double> parseNumber(const std::string& text, double minimum, double maximum)
{
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || *end != '\0' || !std::isfinite(value) || value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

bool noteWhetherInstalled(const Options& options)
{
    auto root = DeviceRoot::get();
    if (!root)
        return false;
    // Either layout counts: rootful at the top of the device, rootless under /var/jb.
    for (const char* prefix : { "", "var/jb/" }) {
        for (const char* deliverable : { "Library/MobileSubstrate/DynamicLibraries/zova.dylib", "Library/PreferenceBundles/zovaprefs.bundle" }) {
            std::error_code error;
            if (std::filesystem::exists(*root / (std::string(prefix) + deliverable), error))
                return true;
        }
    }
    std::fprintf(stderr, "zova-sim: nothing of Zova is installed on the device at %s; install it with: zova-sim --root %s install\n",
        root->c_str(), options.root ? options.root->c_str() : root->c_str());
    return false;
}

int fail(const std::string& message, int status)
{
    std::fprintf(stderr, "zova-sim: %s\n", message.c_str());
    return status;
}

}

int main(int argc, char** argv)
{
    using namespace sim;
    enum : int { rootOption = 256, screenOption, versionOption };
    static const option longOptions[] = {
        { "root", required_argument, nullptr, rootOption },
        { "screen", required_argument, nullptr, screenOption },
        { "help", no_argument, nullptr, 'h' },
        { "version", no_argument, nullptr, versionOption },
        { nullptr, 0, nullptr, 0 },
    };
    Options options;
    ::opterr = 0;
    // "+": the options end at the command; what follows belongs to it. ":": a missing value is told
    // apart from an unknown option.
    for (int option; (option = ::getopt_long(argc, argv, "+:h", longOptions, nullptr)) != -1;) {
        switch (option) {
        case 'h':
            printHelp(stdout);
            return 0;
        case versionOption:
            std::printf("zova-sim %s\n", ZOVA_VERSION);
            return 0;
        case rootOption:
            if (!*::optarg)
                return usageError("--root needs a directory, not an empty name");
            options.root = ::optarg;
            break;
        case screenOption:
            if (!(options.screen = parseScreen(::optarg)))
                return usageError(std::string("bad --screen '") + ::optarg + "': expected WxH in points, each side from "
                    + std::to_string(static_cast<int>(minimumScreenSide)) + " to " + std::to_string(static_cast<int>(maximumScreenSide)));
            break;
        case ':':
            return usageError(std::string(argv[::optind - 1]) + " needs a value");
        default:
            return usageError(std::string("unknown option '") + argv[::optind - 1] + "'");
        }
    }
    if (::optind >= argc) {
        printHelp(stderr);
        return usageStatus;
    }
    std::string name = argv[::optind];
    if (name == "help")
        return runHelp(argc, argv, ::optind + 1);
    const Command* command = findCommand(name);
    if (!command)
        return usageError("unknown command '" + name + "'");
    std::vector<std::string> rest(argv + ::optind + 1, argv + argc);
    // Only right after the command: later, "--help" may be a value ("-string --help").
    if (!rest.empty() && (rest.front() == "--help" || rest.front() == "-h"))
        return printCommandHelp(*command);
    if (command->needsRoot) {
        if (!options.root)
            return usageError(std::string(command->name) + " needs --root DIR");
        DeviceRoot::set(*options.root);
    }
    return command->run(options, rest);
}
