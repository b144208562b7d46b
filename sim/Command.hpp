// The subcommands of zova-sim. Each registers itself next to its definition.
#pragma once

#include <coregraphics/CGGeometry.hpp>

#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace sim {

// The range --screen accepts for each side, in points.
inline constexpr double minimumScreenSide = 100;
inline constexpr double maximumScreenSide = 2048;

struct Options {
    std::optional<std::filesystem::path> root; // --root DIR
    std::optional<CGSize> screen;              // --screen WxH, in points
};

struct Command {
    const char* name;
    const char* usage;   // one line per form, without the program name
    const char* summary; // what it does, a few lines
    bool needsRoot;
    int (*run)(const Options&, std::span<const std::string> arguments);
};

// Registers a subcommand; call it from a static initialiser in the command's own file.
bool registerCommand(const Command&);
// The subcommand of that name, or null.
const Command* findCommand(const std::string& name);

// A finite number within [minimum, maximum], the whole text and nothing else; none otherwise.
std::optional<double> parseNumber(const std::string& text, double minimum, double maximum);

// When the device holds neither the tweak nor the settings bundle, says so on stderr with the
// command that installs them; true when something is installed.
bool noteWhetherInstalled(const Options&);

// A one-line error to stderr, prefixed with the program name; returns the exit status to use.
int fail(const std::string& message, int status = 1);

}
