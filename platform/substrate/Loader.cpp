#include <substrate/Loader.hpp>

#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>
#include <foundation/PropertyList.hpp>
#include <substrate/Filter.hpp>

#include <algorithm>
#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <set>
#include <system_error>

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
// the file system.
std::vector<std::string> propertyListStems(const std::filesystem::path& folder)
{
    std::vector<std::string> stems;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const auto& path = it->path();
        if (path.extension() == ".plist" && !path.stem().empty())
            stems.push_back(path.stem().string());
    }
    std::sort(stems.begin(), stems.end());
    return stems;
}

std::optional<Filter> readFilter(const std::string& folder, const std::string& stem, LoadSummary& summary)
{
    std::string devicePath = folder + stem + ".plist";
    auto hostPath = DeviceRoot::resolve(devicePath);
    auto bytes = hostPath ? FileIO::readFile(*hostPath, maximumPropertyListBytes) : std::nullopt;
    if (!bytes) {
        recordFailure(summary, "skipped " + devicePath + ": can't read it");
        return std::nullopt;
    }
    std::string reason;
    auto propertyList = NSPropertyListSerialization::propertyListWithData(*bytes, &reason);
    if (!propertyList) {
        recordFailure(summary, "skipped " + devicePath + ": " + reason);
        return std::nullopt;
    }
    return Filter::fromPropertyList(*propertyList);
}

void loadLibrary(const std::string& folder, const std::string& stem, LoadSummary& summary)
{
    std::string devicePath = folder + stem + ".dylib";
    auto hostPath = DeviceRoot::resolve(devicePath);
    if (!hostPath) {
        recordFailure(summary, "skipped " + devicePath + ": not on the device");
        return;
    }
    // Local, so that one library's globals can't stand in for those of a library loaded later.
    if (!::dlopen(hostPath->c_str(), RTLD_NOW | RTLD_LOCAL)) {
        const char* reason = ::dlerror();
        recordFailure(summary, "skipped " + devicePath + ": " + (reason ? reason : "can't load it"));
        return;
    }
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
        std::set<std::string> seen;
        for (std::string folder : { rootlessDynamicLibrariesDirectory, dynamicLibrariesDirectory }) {
            auto hostFolder = DeviceRoot::resolve(folder);
            if (!hostFolder)
                continue;
            for (const auto& stem : propertyListStems(*hostFolder)) {
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
