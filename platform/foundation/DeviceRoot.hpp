// The simulated device's file system: one host directory, entered as a chroot would be. Every device
// path ("/Library/...", "/var/mobile/...") is opened here and nowhere else, relative to a descriptor
// of the root kept open for the process: an absolute link in the device points inside it, and ".."
// stops at its top. Where the kernel can't confine a walk (no openat2), links are refused instead.
#pragma once

#include <foundation/FileDescriptor.hpp>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace DeviceRoot {

// The environment variable through which a device root is handed to the processes it starts.
inline constexpr const char* environmentVariable = "ZOVA_DEVICE_ROOT";

// Sets the root for this process and for the processes it starts.
void set(const std::filesystem::path& hostDirectory);
// The root in force: the one set, else the environment's; none when neither is given.
std::optional<std::filesystem::path> get();

// Opens an absolute device path inside the root with open(2)'s flags (O_CLOEXEC always). Invalid,
// with errno set, when no root is set, the path is not absolute, or the file can't be opened.
FileDescriptor open(std::string_view devicePath, int flags, mode_t mode = 0);

// The folder holding a device path's last component, opened, and that component's name: for
// entries made, renamed or removed in it with the *at calls, which never leave that folder.
struct Entry {
    FileDescriptor directory;
    std::string name;
};
// None (errno set) when the folder can't be opened, or the path ends in "." or "..".
std::optional<Entry> openParent(std::string_view devicePath);

// Makes the missing folders of a device path, each inside the root, and opens the last one.
FileDescriptor createDirectories(std::string_view devicePath, mode_t mode = 0755);

enum class EntryType { Regular, Directory, Link, Other };
struct DirectoryEntry {
    std::string name;
    EntryType type;
};
// The entries of an open folder ("." and ".." left out), as they are: links are not followed.
// At most maximumEntries of them, in the folder's own order.
std::vector<DirectoryEntry> listDirectory(int directoryFd, size_t maximumEntries = 100000);

// A path of this machine for an open descriptor, for interfaces that take only paths (dlopen,
// inotify). It names the opened file for as long as the descriptor stays open.
std::string descriptorPath(int fd);

// The host path a device path would have if no link were followed; none when ".." would climb
// above the top. Only for code that works on the device from outside it (tests, benchmarks):
// nothing in the stand-in opens a device file through it.
std::optional<std::filesystem::path> resolve(std::string_view devicePath);

namespace Testing {

// Walks as a kernel without openat2 would, refusing links; for tests of that path.
void setLinksRefused(bool);

}

}
