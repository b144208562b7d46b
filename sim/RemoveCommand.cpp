// zova-sim remove: uninstalls a package through the device's package database.
#include "Command.hpp"
#include <DeviceLayout.hpp>

#include <cstdio>

namespace sim {

namespace {

int runRemove(const Options&, std::span<const std::string> arguments)
{
    bool purge = !arguments.empty() && arguments[0] == "--purge";
    auto names = arguments.subspan(purge ? 1 : 0);
    if (names.size() != 1)
        return fail("remove takes one package name, after --purge if wanted", 2);
    std::string error;
    if (!removePackage(names[0], purge, error))
        return fail("remove: " + error);
    std::printf("%s %s\n", purge ? "purged" : "removed", names[0].c_str());
    return 0;
}

const bool s_registered = registerCommand({
    "remove",
    "remove [--purge] NAME",
    "Uninstalls a package (e.g. com.velmarok.zova) through dpkg. --purge also removes what the settings\n"
    "    left behind: the settings store and the custom picture.",
    true,
    &runRemove,
});

}

}
