// Where the packages put the deliverables' own files: at the top of the file system on a rootful
// phone, under "/var/jb" on a rootless one. The layout is fixed when the deliverables are built
// (ZOVA_PACKAGE_SCHEME_ROOTLESS); the user's files under "/var/mobile" belong to no package and
// never move.
#pragma once

#include <string>
#include <string_view>

namespace zova {

#ifdef ZOVA_PACKAGE_SCHEME_ROOTLESS
inline constexpr std::string_view installPrefix = "/var/jb";
#else
inline constexpr std::string_view installPrefix = "";
#endif

// A path that a package installs, as written on a rootful phone, where this build finds it.
inline std::string installedPath(std::string_view path)
{
    return std::string(installPrefix).append(path);
}

}
