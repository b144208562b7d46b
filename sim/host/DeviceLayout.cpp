#include "DeviceLayout.hpp"

#include <foundation/DeviceRoot.hpp>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <vector>

extern char** environ;

namespace sim {

namespace fs = std::filesystem;

namespace {

// The packages a user installs on the phone: the tweak, and the settings bundle with its pictures.
const char* const s_packages[] = { ZOVA_SETTINGS_PACKAGE, ZOVA_TWEAK_PACKAGE };

// Folders every phone has, which the deliverables expect to exist or to be creatable.
const char* const s_deviceFolders[] = {
    "/Library/MobileSubstrate/DynamicLibraries",
    "/Library/PreferenceBundles",
    "/Library/PreferenceLoader/Preferences",
    "/var/mobile/Library/Preferences",
    "/var/mobile/Documents",
    "/var/mobile/Media/DCIM",
};

// Unpacks a package's files into the device root as dpkg does: each file replaced whole, so a
// running host never maps a half-written library.
bool unpack(const fs::path& package, const fs::path& root, std::string& error)
{
    std::vector<std::string> arguments { "dpkg-deb", "--extract", package.string(), root.string() };
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "dpkg-deb", nullptr, nullptr, argv.data(), environ) != 0) {
        error = "can't run dpkg-deb to unpack " + package.filename().string();
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "can't unpack " + package.string();
        return false;
    }
    return true;
}

}

bool installDevice(std::string& error)
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
    for (const char* package : s_packages) {
        if (!unpack(package, *root, error))
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
