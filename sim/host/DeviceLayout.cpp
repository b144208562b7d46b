#include "DeviceLayout.hpp"

#include <foundation/DeviceRoot.hpp>

#include <filesystem>
#include <system_error>
#include <vector>

namespace sim {

namespace fs = std::filesystem;

namespace {

struct InstalledFile {
    fs::path source;       // on this machine
    std::string devicePath; // on the device
};

std::vector<InstalledFile> deliverables()
{
    const fs::path resources = ZOVA_SOURCE_DIR "/zovaprefs/Resources";
    const std::string bundle = "/Library/PreferenceBundles/zovaprefs.bundle/";
    std::vector<InstalledFile> files {
        { ZOVA_TWEAK_LIBRARY, "/Library/MobileSubstrate/DynamicLibraries/zova.dylib" },
        { ZOVA_TWEAK_FILTER, "/Library/MobileSubstrate/DynamicLibraries/zova.plist" },
    };
    for (const char* resource : { "Info.plist", "Root.plist", "a.gif", "b.gif", "c.gif", "h.gif", "e.gif" })
        files.push_back({ resources / resource, bundle + resource });
    files.push_back({ ZOVA_SETTINGS_BUNDLE_EXECUTABLE, bundle + "zovaprefs" });
    files.push_back({ ZOVA_SOURCE_DIR "/zovaprefs/entry.plist", "/Library/PreferenceLoader/Preferences/zovaprefs.plist" });
    return files;
}

// Folders every phone has, which the deliverables expect to exist or to be creatable.
const char* const s_deviceFolders[] = {
    "/Library/MobileSubstrate/DynamicLibraries",
    "/Library/PreferenceBundles",
    "/Library/PreferenceLoader/Preferences",
    "/var/mobile/Library/Preferences",
    "/var/mobile/Documents",
    "/var/mobile/Media/DCIM",
};

bool copyInto(const InstalledFile& file, std::string& error)
{
    auto target = DeviceRoot::resolve(file.devicePath);
    if (!target) {
        error = "no device path " + file.devicePath;
        return false;
    }
    std::error_code code;
    fs::create_directories(target->parent_path(), code);
    // Copy then rename, so that a running host never maps a half-written library.
    fs::path temporary = target->string() + ".installing";
    if (!code)
        fs::copy_file(file.source, temporary, fs::copy_options::overwrite_existing, code);
    if (!code)
        fs::rename(temporary, *target, code);
    if (code) {
        error = "can't install " + file.source.string() + " as " + file.devicePath + ": " + code.message();
        return false;
    }
    return true;
}

}

bool installDevice(std::string& error)
{
    for (const char* folder : s_deviceFolders) {
        std::error_code code;
        auto path = DeviceRoot::resolve(folder);
        if (!path || (fs::create_directories(*path, code), code)) {
            error = std::string("can't create ") + folder + (code ? ": " + code.message() : "");
            return false;
        }
    }
    for (const auto& file : deliverables()) {
        if (!copyInto(file, error))
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
