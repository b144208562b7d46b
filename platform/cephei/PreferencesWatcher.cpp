#include <cephei/PreferencesWatcher.hpp>

#include <foundation/DeviceRoot.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

// Writers replace the file by rename; a plain writer closes it. Creation alone is not a change: the
// file is still empty then.
constexpr uint32_t directoryEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_DELETE_SELF
    | IN_MOVE_SELF | IN_ONLYDIR;
constexpr uint32_t ancestorEvents = IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr uint32_t watchGoneEvents = IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;

}

PreferencesWatcher::PreferencesWatcher(std::string directoryPath, std::string fileName, std::function<void()> onChange)
    : m_directory(std::move(directoryPath))
    , m_fileName(std::move(fileName))
    , m_onChange(std::move(onChange))
    , m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (m_fd < 0) {
        std::fprintf(stderr, "HBPreferences: can't watch for changes: %s\n", std::strerror(errno));
        return;
    }
    arm();
    m_source = NSRunLoop::mainRunLoop()->addFileDescriptorSource(m_fd, [this] { handleEvents(); });
}

PreferencesWatcher::~PreferencesWatcher()
{
    if (m_source)
        NSRunLoop::mainRunLoop()->removeSource(m_source);
    if (m_fd >= 0)
        ::close(m_fd);
}

void PreferencesWatcher::arm()
{
    if (m_watch >= 0)
        ::inotify_rm_watch(m_fd, m_watch);
    m_watch = -1;
    m_watchesDirectory = false;
    // Bounded: each pass goes at least one folder deeper.
    for (int depth = 0; depth < 64; ++depth) {
        auto folder = nearestExistingFolder();
        if (!folder)
            return;
        if (m_watch >= 0)
            ::inotify_rm_watch(m_fd, m_watch);
        m_watchesDirectory = folder->path == m_directory;
        // By the descriptor's path: the folder watched is the one found inside the device.
        m_watch = ::inotify_add_watch(m_fd, DeviceRoot::descriptorPath(folder->fd.get()).c_str(),
            m_watchesDirectory ? directoryEvents : ancestorEvents);
        if (m_watch < 0) {
            std::fprintf(stderr, "HBPreferences: can't watch %s: %s\n", folder->path.c_str(), std::strerror(errno));
            return;
        }
        // A folder made between the look and the watch sends no event: look once more.
        if (m_watchesDirectory || !DeviceRoot::open(nextFolderBelow(folder->path), O_PATH | O_DIRECTORY))
            return;
    }
}

// The folder of m_directory one level below `ancestor`, which is m_directory or one of its folders.
std::string PreferencesWatcher::nextFolderBelow(const std::string& ancestor) const
{
    size_t start = ancestor == "/" ? 1 : ancestor.size() + 1;
    return m_directory.substr(0, std::min(m_directory.find('/', start), m_directory.size()));
}

std::optional<PreferencesWatcher::Folder> PreferencesWatcher::nearestExistingFolder() const
{
    // Never above the device root: what happens outside it is not the device's business.
    std::string path = m_directory;
    for (;;) {
        auto fd = DeviceRoot::open(path, O_PATH | O_DIRECTORY);
        if (fd)
            return Folder { path, std::move(fd) };
        if (path == "/")
            return std::nullopt;
        size_t slash = path.rfind('/');
        path = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
    }
}

void PreferencesWatcher::handleEvents()
{
    Outcome outcome;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        ssize_t length = ::read(m_fd, buffer, sizeof buffer);
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            break;
        size_t offset = 0;
        size_t end = static_cast<size_t>(length);
        while (end - offset >= sizeof(inotify_event)) {
            inotify_event event;
            std::memcpy(&event, buffer + offset, sizeof event);
            size_t next = offset + sizeof event + event.len;
            if (next > end)
                break;
            const char* name = buffer + offset + sizeof event;
            classify(event.wd, event.mask, std::string_view(name, ::strnlen(name, event.len)), outcome);
            offset = next;
        }
    }
    if (outcome.rearm) {
        arm();
        // The file may have been written before the folder was watched.
        outcome.changed = outcome.changed || m_watchesDirectory;
    }
    if (outcome.changed)
        m_onChange();
}

void PreferencesWatcher::classify(int watch, uint32_t mask, std::string_view name, Outcome& outcome) const
{
    if (mask & IN_Q_OVERFLOW) {
        outcome.changed = outcome.rearm = true;
        return;
    }
    if (watch != m_watch)
        return;
    if (mask & watchGoneEvents) {
        outcome.changed = outcome.rearm = true;
        return;
    }
    if (m_watchesDirectory)
        outcome.changed = outcome.changed || name == m_fileName;
    else
        outcome.rearm = true;
}
