// zova-sim install: installs the two packages on a device through its package database.
#include "Command.hpp"
#include <DeviceLayout.hpp>

#include <cstdio>

namespace sim {

namespace {

int runInstall(const Options&, std::span<const std::string> arguments)
{
    auto scheme = PackageScheme::Rootful;
    if (!arguments.empty()) {
        auto named = arguments.size() == 2 && arguments[0] == "--scheme" ? packageSchemeNamed(arguments[1]) : std::nullopt;
        if (!named)
            return fail("install takes only --scheme rootful or --scheme rootless", 2);
        scheme = *named;
    }
    std::string error;
    if (!installDevice(error, scheme))
        return fail("install: " + error);
    std::printf("installed Zova (%s) on the device at %s\n", scheme == PackageScheme::Rootless ? "rootless" : "rootful",
        deviceRootDescription().c_str());
    return 0;
}

const bool s_registered = registerCommand({
    "install",
    "install [--scheme rootful|rootless]",
    "Installs the two packages on the device through dpkg, with the device's own package database: the\n"
    "    tweak and its filter, the settings bundle with its pictures and its entry in the Settings app. Rootless\n"
    "    puts them under /var/jb, as on a rootless phone; rootful (the default) at the top. Safe on an existing\n"
    "    device, also to switch layouts: settings and the custom picture stay.",
    true,
    &runInstall,
});

}

}
