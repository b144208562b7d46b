// zova-sim install: lays out a device root with the tweak, its filter and the settings bundle.
#include "Command.hpp"
#include <DeviceLayout.hpp>

#include <cstdio>

namespace sim {

namespace {

int runInstall(const Options&, std::span<const std::string> arguments)
{
    if (!arguments.empty())
        return fail("install takes no arguments", 2);
    std::string error;
    if (!installDevice(error))
        return fail("install: " + error);
    std::printf("installed Zova on the device at %s\n", deviceRootDescription().c_str());
    return 0;
}

const bool s_registered = registerCommand({
    "install",
    "install",
    "Installs the two packages on the device, as dpkg unpacks them: the tweak and its filter, the settings\n"
    "    bundle with its pictures and its entry in the Settings app. Safe on an existing device: settings and\n    the custom picture stay.",
    true,
    &runInstall,
});

}

}
