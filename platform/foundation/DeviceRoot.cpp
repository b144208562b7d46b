#include <foundation/DeviceRoot.hpp>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace DeviceRoot {

namespace {

std::mutex s_lock;
std::optional<std::filesystem::path> s_root;

}

void set(const std::filesystem::path& hostDirectory)
{
    auto absolute = std::filesystem::absolute(hostDirectory).lexically_normal();
    {
        std::lock_guard guard(s_lock);
        s_root = absolute;
    }
    ::setenv(environmentVariable, absolute.c_str(), 1);
}

std::optional<std::filesystem::path> get()
{
    std::lock_guard guard(s_lock);
    if (!s_root) {
        const char* fromEnvironment = std::getenv(environmentVariable);
        if (!fromEnvironment || !*fromEnvironment)
            return std::nullopt;
        s_root = std::filesystem::absolute(fromEnvironment).lexically_normal();
    }
    return s_root;
}

std::optional<std::filesystem::path> resolve(std::string_view devicePath)
{
    auto root = get();
    if (!root || devicePath.empty() || devicePath.front() != '/')
        return std::nullopt;

    // Walk the components ourselves: ".." that would climb above "/" is refused, not clamped.
    std::vector<std::string> components;
    for (const auto& part : std::filesystem::path(devicePath).relative_path()) {
        std::string name = part.string();
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (components.empty())
                return std::nullopt;
            components.pop_back();
            continue;
        }
        components.push_back(std::move(name));
    }
    auto result = *root;
    for (const auto& name : components)
        result /= name;
    return result;
}

}
