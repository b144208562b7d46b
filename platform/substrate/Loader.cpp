#include <substrate/Loader.hpp>

#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>
#include <foundation/PropertyList.hpp>
#include <substrate/Filter.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <set>

namespace Substrate {

namespace {

// Filters are a few hundred bytes; anything this large is not one.
constexpr size_t maximumPropertyListBytes = 1 << 20;

void recordFailure(LoadSummary& summary, std::string line)
{
    std::fprintf(stderr, "Substrate: %s\n", line.c_str());
    summary.failures.push_back(std::move(line));
}

// Base names of the property lists in the folder, sorted so that load order does not depend on
// the file system. What each name is (a file, a link, something else) is for the read to judge.
std::vector<std::string> propertyListStems(int folder)
{
    std::vector<std::string> stems;
    for (const auto& entry : DeviceRoot::listDirectory(folder)) {
        std::filesystem::path name(entry.name);
        if (name.extension() == ".plist" && !name.stem().empty())
            stems.push_back(name.stem().string());
    }
    std::sort(stems.begin(), stems.end());
    return stems;
}

std::optional<Filter> readFilter(const std::string& folder, const std::string& stem, LoadSummary& summary)
{
    std::string devicePath = folder + stem + ".plist";
    auto data = FileIO::readDeviceFile(devicePath, maximumPropertyListBytes);
    if (!data) {
        recordFailure(summary, "skipped " + devicePath + ": can't read it");
        return std::nullopt;
    }
    std::string reason;
    auto propertyList = NSPropertyListSerialization::propertyListWithData(data->span(), &reason);
    if (!propertyList) {
        recordFailure(summary, "skipped " + devicePath + ": " + reason);
        return std::nullopt;
    }
    return Filter::fromPropertyList(*propertyList);
}

void loadLibrary(const std::string& folder, const std::string& stem, LoadSummary& summary)
{
    std::string devicePath = folder + stem + ".dylib";
    // Non-blocking, and only a regular file: a fifo in the library's place must not hold up the host.
    auto fd = FileIO::openDeviceFile(devicePath);
    if (!fd) {
        recordFailure(summary, "skipped " + devicePath + ": " + (errno ? std::strerror(errno) : "not a regular file"));
        return;
    }
    // Loaded through the descriptor, so the file loaded is the one found inside the device.
    // Local, so that one library's globals can't stand in for those of a library loaded later.
    if (!::dlopen(DeviceRoot::descriptorPath(fd.get()).c_str(), RTLD_NOW | RTLD_LOCAL)) {
        const char* error = ::dlerror();
        recordFailure(summary, "skipped " + devicePath + ": " + (error ? error : "can't load it"));
        return;
    }
    // Kept open for good: the library's name is this descriptor's path, which must never come to
    // name another file while the library is loaded (it never is unloaded).
    (void)fd.release();
    summary.loaded.push_back(devicePath);
}

}

std::string LoadSummary::description() const
{
    std::string text = "loaded: ";
    if (loaded.empty())
        text += "none";
    for (size_t i = 0; i < loaded.size(); ++i)
        text += (i ? ", " : "") + std::filesystem::path(loaded[i]).filename().string();
    if (!failures.empty())
        text += " (" + std::to_string(failures.size()) + " skipped)";
    return text;
}

LoadSummary loadTweaks()
{
    LoadSummary summary;
    try {
        auto process = ProcessIdentity::current();
        // A rootless phone's folder first; a name found there hides the same name at the top.
        std::set<std::string> seen;
        for (std::string folder : { rootlessDynamicLibrariesDirectory, dynamicLibrariesDirectory }) {
            auto folderFd = DeviceRoot::open(folder, O_RDONLY | O_DIRECTORY);
            if (!folderFd)
                continue;
            for (const auto& stem : propertyListStems(folderFd.get())) {
                if (!seen.insert(stem).second)
                    continue;
                auto filter = readFilter(folder, stem, summary);
                if (filter && filter->matches(process))
                    loadLibrary(folder, stem, summary);
            }
        }
    } catch (const std::exception& error) {
        recordFailure(summary, std::string("stopped: ") + error.what());
    } catch (...) {
        std::fputs("Substrate: stopped by an unknown exception\n", stderr);
    }
    return summary;
}

}
