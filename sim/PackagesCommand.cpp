// zova-sim packages: what the device's package database holds.
#include "Command.hpp"
#include <DeviceLayout.hpp>

namespace sim {

namespace {

int runPackages(const Options&, std::span<const std::string> arguments)
{
    if (!arguments.empty())
        return fail("packages takes no arguments", 2);
    std::string error;
    if (!listPackages(error))
        return fail("packages: " + error);
    return 0;
}

const bool s_registered = registerCommand({
    "packages",
    "packages",
    "Lists the packages of the device's database, one a line: name, version, architecture and state\n"
    "    (installed, or config-files after a remove without purge).",
    true,
    &runPackages,
});

}

}
