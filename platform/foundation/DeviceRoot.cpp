#include <foundation/DeviceRoot.hpp>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace DeviceRoot {

namespace {

struct State {
    std::mutex lock;
    std::optional<std::filesystem::path> root;
    // Shared, so that a new root never closes a descriptor that another thread still walks from.
    std::shared_ptr<const FileDescriptor> directory;
};

State& state()
{
    static auto* instance = new State;
    return *instance;
}

enum class Openat2 { Unknown, Available, Missing };
std::atomic<Openat2> s_openat2 { Openat2::Unknown };
std::atomic<bool> s_linksRefused { false };

std::optional<std::filesystem::path> rootLocked(State& current)
{
    if (!current.root) {
        const char* fromEnvironment = std::getenv(environmentVariable);
        if (!fromEnvironment || !*fromEnvironment)
            return std::nullopt;
        current.root = std::filesystem::absolute(fromEnvironment).lexically_normal();
    }
    return current.root;
}

// Opened at first use, and again after a failure: the root may be made after the root is named.
std::shared_ptr<const FileDescriptor> rootDirectory()
{
    auto& current = state();
    std::lock_guard guard(current.lock);
    if (current.directory)
        return current.directory;
    auto root = rootLocked(current);
    if (!root) {
        errno = ENOENT;
        return nullptr;
    }
    FileDescriptor fd(::open(root->c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return nullptr;
    current.directory = std::make_shared<const FileDescriptor>(std::move(fd));
    return current.directory;
}

bool isDevicePath(std::string_view devicePath)
{
    return !devicePath.empty() && devicePath.front() == '/' && devicePath.find('\0') == std::string_view::npos;
}

// The names of a path once "." and ".." are taken out, ".." stopping at the top as in a chroot.
// Right only when no link is followed on the way.
std::vector<std::string> lexicalComponents(std::string_view path)
{
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = std::min(path.find('/', start), path.size());
        std::string_view name = path.substr(start, end - start);
        if (name == "..") {
            if (!components.empty())
                components.pop_back();
        } else if (!name.empty() && name != ".") {
            components.emplace_back(name);
        }
        start = end + 1;
    }
    return components;
}

int openat2Confined(int rootFd, const std::string& path, int flags, mode_t mode)
{
    open_how how {};
    how.flags = static_cast<uint64_t>(flags);
    // The kernel refuses a mode with flags that create nothing (O_TMPFILE's bits include O_DIRECTORY's).
    bool creates = (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE;
    how.mode = creates ? mode : 0;
    how.resolve = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;
    for (int attempt = 0;; ++attempt) {
        long fd = ::syscall(SYS_openat2, rootFd, path.c_str(), &how, sizeof how);
        // EAGAIN: a rename elsewhere raced the walk's "..", which the kernel won't trust; walk again.
        if (fd < 0 && (errno == EINTR || (errno == EAGAIN && attempt < 16)))
            continue;
        return static_cast<int>(fd);
    }
}

// Asked once, on the root itself: an old kernel answers ENOSYS, and a container's syscall filter
// that doesn't know the call may answer EPERM for every path.
bool hasOpenat2(int rootFd)
{
    auto known = s_openat2.load();
    if (known != Openat2::Unknown)
        return known == Openat2::Available;
    int saved = errno;
    FileDescriptor probe(openat2Confined(rootFd, ".", O_PATH | O_CLOEXEC, 0));
    bool available = probe.isValid() || (errno != ENOSYS && errno != EPERM && errno != EINVAL && errno != E2BIG);
    s_openat2 = available ? Openat2::Available : Openat2::Missing;
    errno = saved;
    return available;
}

// Component by component, never through a link: what a kernel without openat2 can confine.
int openWithoutLinks(int rootFd, std::string_view path, int flags, mode_t mode)
{
    auto components = lexicalComponents(path);
    if (components.empty())
        return ::openat(rootFd, ".", flags | O_NOFOLLOW, mode);
    FileDescriptor directory;
    int at = rootFd;
    for (size_t index = 0; index + 1 < components.size(); ++index) {
        directory.reset(::openat(at, components[index].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!directory)
            return -1;
        at = directory.get();
    }
    return ::openat(at, components.back().c_str(), flags | O_NOFOLLOW, mode);
}

// The last component of a device path, and the path of the folder that holds it.
std::optional<std::pair<std::string, std::string>> splitLast(std::string_view devicePath)
{
    while (devicePath.size() > 1 && devicePath.back() == '/')
        devicePath.remove_suffix(1);
    size_t slash = devicePath.rfind('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    std::string name(devicePath.substr(slash + 1));
    if (name.empty() || name == "." || name == "..")
        return std::nullopt;
    std::string folder(slash == 0 ? std::string_view("/") : devicePath.substr(0, slash));
    return std::make_pair(std::move(folder), std::move(name));
}

EntryType typeOf(int directoryFd, const dirent& entry)
{
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
        struct stat status;
        if (::fstatat(directoryFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return EntryType::Other;
        type = S_ISREG(status.st_mode) ? DT_REG : S_ISDIR(status.st_mode) ? DT_DIR : S_ISLNK(status.st_mode) ? DT_LNK : DT_UNKNOWN;
    }
    switch (type) {
    case DT_REG:
        return EntryType::Regular;
    case DT_DIR:
        return EntryType::Directory;
    case DT_LNK:
        return EntryType::Link;
    default:
        return EntryType::Other;
    }
}

}

void set(const std::filesystem::path& hostDirectory)
{
    auto absolute = std::filesystem::absolute(hostDirectory).lexically_normal();
    {
        auto& current = state();
        std::lock_guard guard(current.lock);
        current.root = absolute;
        current.directory.reset();
    }
    ::setenv(environmentVariable, absolute.c_str(), 1);
}

std::optional<std::filesystem::path> get()
{
    auto& current = state();
    std::lock_guard guard(current.lock);
    return rootLocked(current);
}

FileDescriptor open(std::string_view devicePath, int flags, mode_t mode)
{
    if (!isDevicePath(devicePath)) {
        errno = EINVAL;
        return FileDescriptor();
    }
    auto root = rootDirectory();
    if (!root)
        return FileDescriptor();
    flags |= O_CLOEXEC;
    if (hasOpenat2(root->get()) && !s_linksRefused)
        return FileDescriptor(openat2Confined(root->get(), std::string(devicePath), flags, mode));
    return FileDescriptor(openWithoutLinks(root->get(), devicePath, flags, mode));
}

std::optional<Entry> openParent(std::string_view devicePath)
{
    auto parts = isDevicePath(devicePath) ? splitLast(devicePath) : std::nullopt;
    if (!parts) {
        errno = EINVAL;
        return std::nullopt;
    }
    auto directory = open(parts->first, O_RDONLY | O_DIRECTORY);
    if (!directory)
        return std::nullopt;
    return Entry { std::move(directory), std::move(parts->second) };
}

FileDescriptor createDirectories(std::string_view devicePath, mode_t mode)
{
    if (!isDevicePath(devicePath)) {
        errno = EINVAL;
        return FileDescriptor();
    }
    // Each prefix is opened from the root again, so a link met on the way stays inside the device.
    auto folder = open("/", O_RDONLY | O_DIRECTORY);
    std::string prefix;
    for (const auto& name : lexicalComponents(devicePath)) {
        if (!folder)
            return folder;
        prefix += "/" + name;
        auto next = open(prefix, O_RDONLY | O_DIRECTORY);
        if (!next && errno == ENOENT) {
            if (::mkdirat(folder.get(), name.c_str(), mode) != 0 && errno != EEXIST)
                return FileDescriptor();
            next = open(prefix, O_RDONLY | O_DIRECTORY);
        }
        folder = std::move(next);
    }
    return folder;
}

std::vector<DirectoryEntry> listDirectory(int directoryFd, size_t maximumEntries)
{
    std::vector<DirectoryEntry> entries;
    // A description of its own: the caller's descriptor keeps its offset, and closedir closes only this.
    int fd = ::openat(directoryFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* directory = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!directory) {
        if (fd >= 0)
            ::close(fd);
        return entries;
    }
    while (entries.size() < maximumEntries) {
        const dirent* entry = ::readdir(directory);
        if (!entry)
            break;
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        entries.push_back({ std::string(name), typeOf(::dirfd(directory), *entry) });
    }
    ::closedir(directory);
    return entries;
}

std::string descriptorPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

std::optional<std::filesystem::path> resolve(std::string_view devicePath)
{
    auto root = get();
    if (!root || !isDevicePath(devicePath))
        return std::nullopt;

    // ".." that would climb above "/" is refused, not clamped: a caller asking this is confused.
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

namespace Testing {

void setLinksRefused(bool refused)
{
    s_linksRefused = refused;
}

}

}
