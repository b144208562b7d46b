#include "DeviceLayout.hpp"

#include <foundation/DeviceRoot.hpp>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <vector>

extern char** environ;

namespace sim {

namespace fs = std::filesystem;

namespace {

// Settings first: the tweak depends on it.
const char* const s_rootfulPackages[] = { ZOVA_ROOTFUL_SETTINGS_PACKAGE, ZOVA_ROOTFUL_TWEAK_PACKAGE };
const char* const s_rootlessPackages[] = { ZOVA_ROOTLESS_SETTINGS_PACKAGE, ZOVA_ROOTLESS_TWEAK_PACKAGE };

// The user's folders every phone has, in either layout; the deliverables expect them.
const char* const s_deviceFolders[] = {
    "/var/mobile/Library/Preferences",
    "/var/mobile/Documents",
    "/var/mobile/Media/DCIM",
};

constexpr const char* databaseFolder = "/var/lib/dpkg";

// The environment of this process, with the system folders on the search path: dpkg refuses to
// run without finding its helpers there.
std::vector<std::string> toolEnvironment()
{
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable) {
        if (std::string_view(*variable).substr(0, 5) != "PATH=")
            variables.emplace_back(*variable);
    }
    const char* path = std::getenv("PATH");
    variables.push_back(std::string("PATH=") + (path && *path ? path : "/usr/bin:/bin") + ":/usr/sbin:/sbin");
    return variables;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (auto& string : strings)
        result.push_back(string.data());
    result.push_back(nullptr);
    return result;
}

enum class Output {
    Shown,
    // Progress, not results: kept off the standard output of the caller (a benchmark's report, a
    // script reading what zova-sim prints).
    ToErrors,
    Discarded,
};

// Runs a tool; its exit status, or -1 when it can't be run.
int runTool(std::vector<std::string> arguments, Output output = Output::Shown)
{
    // What this process printed comes before what the tool prints.
    std::fflush(nullptr);
    auto environment = toolEnvironment();
    auto argv = pointers(arguments);
    auto envp = pointers(environment);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output == Output::Discarded)
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    else if (output == Output::ToErrors)
        posix_spawn_file_actions_adddup2(&actions, 2, 1);
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// dpkg on the device root, as the simulator needs it: no chroot (the maintainer scripts run here
// with DPKG_ROOT), no check of the phone's architecture or of dependencies the device can't hold,
// no root rights, and no log outside the device.
std::vector<std::string> dpkg(const fs::path& root)
{
    return { "dpkg", "--root=" + root.string(), "--admindir=" + (root / "var/lib/dpkg").string(), "--log=/dev/null",
        "--force-architecture", "--force-depends", "--force-not-root", "--force-script-chrootless" };
}

// An empty database where there is none yet; an existing one is left as it is.
bool prepareDatabase(std::string& error)
{
    auto folder = DeviceRoot::resolve(databaseFolder);
    std::error_code code;
    if (!folder || (fs::create_directories(*folder / "info", code), code) || (fs::create_directories(*folder / "updates", code), code)) {
        error = std::string("can't create the package database in ") + databaseFolder + (code ? ": " + code.message() : "");
        return false;
    }
    for (const char* file : { "status", "available" }) {
        if (fs::exists(*folder / file, code))
            continue;
        if (!std::ofstream(*folder / file)) {
            error = std::string("can't create ") + databaseFolder + "/" + file;
            return false;
        }
    }
    return true;
}

bool createDeviceFolders(std::string& error)
{
    auto root = DeviceRoot::get();
    if (!root) {
        error = "no device root";
        return false;
    }
    std::error_code code;
    if (fs::create_directories(*root, code), code) {
        error = "can't create " + root->string() + ": " + code.message();
        return false;
    }
    for (const char* folder : s_deviceFolders) {
        if (!DeviceRoot::createDirectories(folder)) {
            error = std::string("can't create ") + folder + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

bool hasDatabase()
{
    auto status = DeviceRoot::resolve(std::string(databaseFolder) + "/status");
    std::error_code code;
    return status && fs::is_regular_file(*status, code);
}

// Package names as dpkg allows them, which also keeps a name from reading as an option.
bool isPackageName(const std::string& name)
{
    if (name.size() < 2 || !std::isalnum(static_cast<unsigned char>(name[0])))
        return false;
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

}

std::optional<PackageScheme> packageSchemeNamed(const std::string& name)
{
    if (name == "rootful")
        return PackageScheme::Rootful;
    if (name == "rootless")
        return PackageScheme::Rootless;
    return std::nullopt;
}

bool installDevice(std::string& error, PackageScheme scheme)
{
    auto root = DeviceRoot::get();
    if (!root) {
        error = "no device root";
        return false;
    }
    if (!createDeviceFolders(error) || !prepareDatabase(error))
        return false;
    auto arguments = dpkg(*root);
    arguments.push_back("--install");
    for (const char* package : scheme == PackageScheme::Rootless ? s_rootlessPackages : s_rootfulPackages)
        arguments.push_back(package);
    int status = runTool(std::move(arguments), Output::ToErrors);
    if (status != 0) {
        error = status < 0 ? "can't run dpkg" : "dpkg could not install the packages";
        return false;
    }
    return true;
}

bool listPackages(std::string& error)
{
    auto root = DeviceRoot::get();
    if (!root || !hasDatabase()) {
        error = "no package database on the device (run install first)";
        return false;
    }
    int status = runTool({ "dpkg-query", "--admindir=" + (*root / "var/lib/dpkg").string(), "--show",
        "--showformat=${Package} ${Version} ${Architecture} ${db:Status-Status}\\n" });
    if (status != 0) {
        error = status < 0 ? "can't run dpkg-query" : "can't read the package database";
        return false;
    }
    return true;
}

bool removePackage(const std::string& name, bool purge, std::string& error)
{
    auto root = DeviceRoot::get();
    if (!root || !hasDatabase()) {
        error = "no package database on the device";
        return false;
    }
    auto database = "--admindir=" + (*root / "var/lib/dpkg").string();
    if (!isPackageName(name) || runTool({ "dpkg-query", database, "--status", name }, Output::Discarded) != 0) {
        error = "no package '" + name + "' on the device";
        return false;
    }
    auto arguments = dpkg(*root);
    arguments.push_back(purge ? "--purge" : "--remove");
    arguments.push_back(name);
    int status = runTool(std::move(arguments), Output::ToErrors);
    if (status != 0) {
        error = status < 0 ? "can't run dpkg" : "dpkg could not remove " + name;
        return false;
    }
    return true;
}

std::string deviceRootDescription()
{
    auto root = DeviceRoot::get();
    return root ? root->string() : "(no root)";
}

}
