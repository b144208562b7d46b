// The simulated device's file system: one host directory. Every device path ("/Library/...",
// "/var/mobile/...") is turned into a host path here and nowhere else.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace DeviceRoot {

// The environment variable through which a device root is handed to the processes it starts.
inline constexpr const char* environmentVariable = "ZOVA_DEVICE_ROOT";

// Sets the root for this process and for the processes it starts.
void set(const std::filesystem::path& hostDirectory);
// The root in force: the one set, else the environment's; none when neither is given.
std::optional<std::filesystem::path> get();

// The host path of an absolute device path; none when no root is set, the path is not absolute,
// or it would leave the root through "..".
std::optional<std::filesystem::path> resolve(std::string_view devicePath);

}
