// The loader that injects libraries into a host process: each "X.plist" in a dynamic libraries
// folder whose filter matches the process has "X.dylib" (an ELF shared object) loaded beside it.
// As on a rootless phone, the folder under "/var/jb" comes first, then the one at the top; a name
// found in the first hides the same name in the second.
#pragma once

#include <string>
#include <vector>

namespace Substrate {

inline constexpr const char* rootlessDynamicLibrariesDirectory = "/var/jb/Library/MobileSubstrate/DynamicLibraries/";
inline constexpr const char* dynamicLibrariesDirectory = "/Library/MobileSubstrate/DynamicLibraries/";

struct LoadSummary {
    // Device paths of the libraries loaded, in load order.
    std::vector<std::string> loaded;
    // One line per property list or library skipped for an error (also written to stderr).
    std::vector<std::string> failures;

    // "loaded: a.dylib, b.dylib" or "loaded: none", with the number of failures when there are any.
    std::string description() const;
};

// Called by a host once its own classes are registered and before its own code runs. Property
// lists are read folder by folder, in name order; a library's module initialisers run as it is loaded. Never throws:
// a broken property list or a library that fails to load is skipped and the host goes on.
LoadSummary loadTweaks();

}
