// Bundles: directories with an "Info.plist" and an executable (an ELF shared object) that is loaded
// through the device root. No localisation; resources are looked up in the bundle directory only.
#pragma once

#include <foundation/PropertyList.hpp>
#include <objc/NSObject.hpp>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class NSBundle final : public NSObject {
public:
    // The process's own bundle: identity as a host declared it, loaded from the start.
    static std::shared_ptr<NSBundle> mainBundle();
    // Stand-in only: a host declares what it plays at start. Sets the process name too.
    static void setMainBundleIdentity(const std::string& identifier, const std::string& executableName);

    // The framework bundles of the process: those a host declared and loaded ".framework" bundles.
    static std::vector<std::shared_ptr<NSBundle>> allFrameworks();
    // Stand-in only: a host declares a framework it has loaded, by identifier.
    static void registerLoadedFramework(const std::string& identifier);

    // The bundle at a device path; null when the directory or its Info.plist is missing or broken.
    // One object per directory, as long as the process lives.
    static std::shared_ptr<NSBundle> bundleWithPath(const std::string& devicePath);
    // The loaded bundle whose executable registered the class, else the main bundle.
    static std::shared_ptr<NSBundle> bundleForClass(Class);

    // Empty when the bundle has none.
    std::string bundleIdentifier() const;
    const PlistDictionary& infoDictionary() const { return m_info; }
    // The device path of the bundle directory; empty for bundles declared by a host.
    const std::string& bundlePath() const { return m_path; }
    // The device path of the executable; empty when Info.plist names none (or a bad one).
    std::string executablePath() const;

    // Loads the executable once (its module initialisers and class registrations run); false with
    // one line on stderr when it can't be loaded.
    bool load();
    bool isLoaded() const;
    // The class named by NSPrincipalClass, loading the bundle first; null when there is none.
    Class principalClass();
    // The device path of "name.type" in the bundle directory, or empty when there is no such file.
    std::string pathForResource(const std::string& name, const std::string& type) const;

    NSBundle(std::string devicePath, PlistDictionary info, bool isLoaded);

private:
    std::string infoString(const char* key) const;
    bool isBackedBy(const std::string& imagePath) const;

    const std::string m_path;
    const PlistDictionary m_info;
    mutable std::mutex m_lock;
    std::string m_loadedImage;
    bool m_isLoaded;
};
