#include <foundation/NSBundle.hpp>

#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>
#include <foundation/NSProcessInfo.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <system_error>

static const Class s_class = objc::registerClass<NSBundle>("NSBundle", "NSObject");

namespace {

// An Info.plist is a few kilobytes; a larger file is not read.
constexpr size_t maximumInfoBytes = 1 << 20;

struct Registry {
    std::mutex lock;
    std::shared_ptr<NSBundle> mainBundle;
    std::vector<std::shared_ptr<NSBundle>> declaredFrameworks;
    // Keyed by device root and device path, so a new root never hands out a bundle of the old one.
    std::map<std::string, std::shared_ptr<NSBundle>> bundlesByPath;
};

// Leaked on purpose: bundles stay valid for code that runs at exit.
Registry& registry()
{
    static auto* instance = new Registry;
    return *instance;
}

std::string normalizedDevicePath(const std::string& devicePath)
{
    std::string path = std::filesystem::path(devicePath).lexically_normal().string();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string joinDevicePath(const std::string& directory, const std::string& name)
{
    return directory.back() == '/' ? directory + name : directory + "/" + name;
}

// A name of a file directly in the bundle directory, never a path that leads elsewhere.
bool isPlainFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

std::optional<PlistDictionary> readInfo(const std::string& bundlePath)
{
    // A bundle path that names no folder fails here: nothing can lie inside it.
    auto data = FileIO::readDeviceFile(joinDevicePath(bundlePath, "Info.plist"), maximumInfoBytes);
    if (!data)
        return std::nullopt;
    auto propertyList = NSPropertyListSerialization::propertyListWithData(data->span());
    if (!propertyList || !propertyList->get<PlistDictionary>())
        return std::nullopt;
    return *propertyList->get<PlistDictionary>();
}

std::shared_ptr<NSBundle> declaredBundle(const std::string& identifier, const std::string& executableName)
{
    PlistDictionary info;
    if (!identifier.empty())
        info["CFBundleIdentifier"] = identifier;
    if (!executableName.empty())
        info["CFBundleExecutable"] = executableName;
    return std::make_shared<NSBundle>(std::string(), std::move(info), true);
}

}

NSBundle::NSBundle(std::string devicePath, PlistDictionary info, bool isLoaded)
    : m_path(std::move(devicePath))
    , m_info(std::move(info))
    , m_isLoaded(isLoaded)
{
}

std::shared_ptr<NSBundle> NSBundle::mainBundle()
{
    auto& bundles = registry();
    std::lock_guard guard(bundles.lock);
    if (!bundles.mainBundle)
        bundles.mainBundle = declaredBundle(std::string(), NSProcessInfo::processInfo()->processName());
    return bundles.mainBundle;
}

void NSBundle::setMainBundleIdentity(const std::string& identifier, const std::string& executableName)
{
    auto bundle = declaredBundle(identifier, executableName);
    {
        auto& bundles = registry();
        std::lock_guard guard(bundles.lock);
        bundles.mainBundle = std::move(bundle);
    }
    if (!executableName.empty())
        NSProcessInfo::processInfo()->setProcessName(executableName);
}

std::vector<std::shared_ptr<NSBundle>> NSBundle::allFrameworks()
{
    auto& bundles = registry();
    std::lock_guard guard(bundles.lock);
    auto frameworks = bundles.declaredFrameworks;
    for (const auto& [key, bundle] : bundles.bundlesByPath) {
        if (std::filesystem::path(bundle->bundlePath()).extension() == ".framework" && bundle->isLoaded())
            frameworks.push_back(bundle);
    }
    return frameworks;
}

void NSBundle::registerLoadedFramework(const std::string& identifier)
{
    if (identifier.empty())
        return;
    auto& bundles = registry();
    std::lock_guard guard(bundles.lock);
    for (const auto& framework : bundles.declaredFrameworks) {
        if (framework->bundleIdentifier() == identifier)
            return;
    }
    bundles.declaredFrameworks.push_back(declaredBundle(identifier, std::string()));
}

std::shared_ptr<NSBundle> NSBundle::bundleWithPath(const std::string& devicePath)
{
    auto root = DeviceRoot::get();
    if (!root || devicePath.empty() || devicePath.front() != '/')
        return nullptr;
    std::string path = normalizedDevicePath(devicePath);
    std::string key = root->string() + '\n' + path;
    auto& bundles = registry();
    std::lock_guard guard(bundles.lock);
    if (auto it = bundles.bundlesByPath.find(key); it != bundles.bundlesByPath.end())
        return it->second;
    auto info = readInfo(path);
    if (!info)
        return nullptr;
    auto bundle = std::make_shared<NSBundle>(path, std::move(*info), false);
    bundles.bundlesByPath.emplace(key, bundle);
    return bundle;
}

std::shared_ptr<NSBundle> NSBundle::bundleForClass(Class cls)
{
    if (const char* image = class_getImageName(cls)) {
        auto& bundles = registry();
        std::lock_guard guard(bundles.lock);
        for (const auto& [key, bundle] : bundles.bundlesByPath) {
            if (bundle->isBackedBy(image))
                return bundle;
        }
    }
    return mainBundle();
}

std::string NSBundle::bundleIdentifier() const
{
    return infoString("CFBundleIdentifier");
}

std::string NSBundle::executablePath() const
{
    std::string name = infoString("CFBundleExecutable");
    if (m_path.empty() || !isPlainFileName(name))
        return {};
    return joinDevicePath(m_path, name);
}

bool NSBundle::load()
{
    {
        std::lock_guard guard(m_lock);
        if (m_isLoaded)
            return true;
    }
    std::string executable = executablePath();
    if (executable.empty()) {
        std::fprintf(stderr, "NSBundle: can't load %s: it names no executable\n", m_path.c_str());
        return false;
    }
    auto fd = FileIO::openDeviceFile(executable);
    if (!fd) {
        std::fprintf(stderr, "NSBundle: can't load %s: %s\n", m_path.c_str(), errno ? std::strerror(errno) : "not a regular file");
        return false;
    }
    // Through the descriptor, so the file loaded is the one found inside the device.
    // Not under the lock: the executable's initialisers may well ask this bundle about itself.
    std::string image = DeviceRoot::descriptorPath(fd.get());
    void* handle = ::dlopen(image.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        std::fprintf(stderr, "NSBundle: can't load %s: %s\n", m_path.c_str(), reason ? reason : "unknown error");
        return false;
    }
    // Never closed, and neither is the descriptor whose path is the image's name: classes it
    // registers live as long as the process.
    (void)fd.release();
    std::lock_guard guard(m_lock);
    m_loadedImage = image;
    m_isLoaded = true;
    return true;
}

bool NSBundle::isLoaded() const
{
    std::lock_guard guard(m_lock);
    return m_isLoaded;
}

Class NSBundle::principalClass()
{
    std::string name = infoString("NSPrincipalClass");
    if (name.empty() || !load())
        return nullptr;
    return objc_getClass(name.c_str());
}

std::string NSBundle::pathForResource(const std::string& name, const std::string& type) const
{
    std::string extension = !type.empty() && type.front() == '.' ? type.substr(1) : type;
    std::string file = extension.empty() ? name : name + "." + extension;
    if (m_path.empty() || name.empty() || !isPlainFileName(file))
        return {};
    std::string devicePath = joinDevicePath(m_path, file);
    auto fd = DeviceRoot::open(devicePath, O_PATH);
    struct stat status;
    if (!fd || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    return devicePath;
}

std::string NSBundle::infoString(const char* key) const
{
    auto it = m_info.find(key);
    if (it == m_info.end())
        return {};
    const auto* text = it->second.get<std::string>();
    return text ? *text : std::string();
}

bool NSBundle::isBackedBy(const std::string& imagePath) const
{
    std::lock_guard guard(m_lock);
    if (!m_isLoaded || m_loadedImage.empty())
        return false;
    if (m_loadedImage == imagePath)
        return true;
    std::error_code error;
    return std::filesystem::equivalent(m_loadedImage, imagePath, error) && !error;
}
