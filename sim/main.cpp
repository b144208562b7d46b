// zova-sim: the simulated device's command line.
#include "Command.hpp"

#include <foundation/DeviceRoot.hpp>

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

void printHelp()
{
    std::puts("usage: zova-sim [--root DIR] [--screen WxH] COMMAND [ARGS...]\n\n"
              "  --root DIR     the simulated device's file system (a directory of this machine)\n"
              "  --screen WxH   the main screen's size in points (default 390x844)\n\n"
              "commands:");
    for (const auto& [name, command] : commands())
        std::printf("\n  %s\n    %s\n", command.usage, command.summary);
}

std::optional<CGSize> parseScreen(const std::string& text)
{
    double width = 0, height = 0;
    char separator = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%lf%c%lf%n", &width, &separator, &height, &consumed) != 3
        || separator != 'x' || static_cast<size_t>(consumed) != text.size() || width <= 0 || height <= 0
        || width > 10000 || height > 10000)
        return std::nullopt;
    return CGSize { width, height };
}

}

bool registerCommand(const Command& command)
{
    commands().emplace(command.name, command);
    return true;
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

int fail(const std::string& message, int status)
{
    std::fprintf(stderr, "zova-sim: %s\n", message.c_str());
    return status;
}

}

int main(int argc, char** argv)
{
    using namespace sim;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    Options options;
    size_t index = 0;
    for (; index < arguments.size(); ++index) {
        const auto& argument = arguments[index];
        if (argument == "--help" || argument == "-h") {
            printHelp();
            return 0;
        }
        if (argument == "--root" || argument == "--screen") {
            if (index + 1 >= arguments.size())
                return fail(argument + " needs a value", 2);
            const auto& value = arguments[++index];
            if (argument == "--root") {
                options.root = value;
            } else if (!(options.screen = parseScreen(value))) {
                return fail("bad --screen '" + value + "': expected WxH in points, e.g. 390x844", 2);
            }
            continue;
        }
        break;
    }
    if (index >= arguments.size()) {
        printHelp();
        return 2;
    }
    auto it = commands().find(arguments[index]);
    if (it == commands().end())
        return fail("unknown command '" + arguments[index] + "' (see zova-sim --help)", 2);
    const Command& command = it->second;
    std::vector<std::string> rest(arguments.begin() + static_cast<long>(index) + 1, arguments.end());
    if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
        std::printf("usage: zova-sim %s\n  %s\n", command.usage, command.summary);
        return 0;
    }
    if (command.needsRoot) {
        if (!options.root)
            return fail(std::string(command.name) + " needs --root DIR", 2);
        DeviceRoot::set(*options.root);
    }
    return command.run(options, rest);
}
