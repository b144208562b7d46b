// The simulated device's files and its package database: where the deliverables are installed, and
// the folders a phone has.
#pragma once

#include <optional>
#include <string>

namespace sim {

// The packages' layout: at the top of the file system, or under "/var/jb" as on a rootless phone.
enum class PackageScheme {
    Rootful,
    Rootless,
};

std::optional<PackageScheme> packageSchemeNamed(const std::string&);

// Installs the two packages of that layout into the device root in force through dpkg, with the
// package database in the device's "/var/lib/dpkg". Idempotent; switches layouts (dpkg replaces
// the other layout's files); leaves the settings store, the custom picture and the photo library.
bool installDevice(std::string& error, PackageScheme = PackageScheme::Rootful);

// Prints one line per package the device's database knows: name, version, architecture, state.
// False when the device has no database or it can't be read.
bool listPackages(std::string& error);

// Uninstalls a package through the database; a purge also runs the package's cleanup of the
// user's files. False when no such package is known.
bool removePackage(const std::string& name, bool purge, std::string& error);

std::string deviceRootDescription();

}
