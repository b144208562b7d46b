#include <cephei/PreferencesFile.hpp>

#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// FileIO::writeFileAtomically names its temporary file ".<name>.XXXXXX".
constexpr size_t temporarySuffixLength = 6;

// An identifier names one file in one folder: no separators, no hidden or relative names.
bool isValidIdentifier(const std::string& identifier)
{
    if (identifier.empty() || identifier.size() > 200 || identifier.front() == '.')
        return false;
    return std::none_of(identifier.begin(), identifier.end(), [](char c) {
        return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
    });
}

// The lock shared by every writing process, held for as long as the object lives.
class FileLock {
public:
    FileLock(int directoryFd, const std::string& name)
        : m_fd(::openat(directoryFd, name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644))
    {
        if (m_fd < 0)
            return;
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock()
    {
        // Closing the descriptor releases the lock, also when the process dies.
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isHeld() const { return m_fd >= 0; }

private:
    int m_fd;
};

}

PreferencesFile::PreferencesFile(std::string identifier)
    : m_identifier(std::move(identifier))
{
    if (!isValidIdentifier(m_identifier)) {
        report("not a usable identifier; only the defaults apply");
        return;
    }
    if (!DeviceRoot::get()) {
        report("no device root is set; only the defaults apply");
        return;
    }
    m_isUsable = true;
}

std::string PreferencesFile::devicePath() const
{
    return std::string(directoryPath) + "/" + fileName();
}

PlistDictionary PreferencesFile::load() const
{
    if (!m_isUsable)
        return {};
    auto contents = read();
    if (contents.problem)
        report(*contents.problem + "; using the defaults");
    return std::move(contents.values);
}

std::optional<PlistDictionary> PreferencesFile::update(const std::function<void(PlistDictionary&)>& change) const
{
    if (!m_isUsable)
        return refuse("nowhere to store the values");
    auto directory = DeviceRoot::createDirectories(directoryPath);
    if (!directory)
        return refuse(std::string("can't create ") + directoryPath + ": " + std::strerror(errno));
    FileLock lock(directory.get(), fileName() + ".lock");
    if (!lock.isHeld())
        return refuse(std::string("can't take the lock: ") + std::strerror(errno));

    removeStaleTemporaryFiles(directory.get());
    auto contents = read();
    if (contents.problem) {
        auto aside = moveAside(directory.get());
        if (!aside)
            return refuse(*contents.problem + ", and it can't be moved aside");
        report(*contents.problem + "; moved aside to " + *aside);
    }
    change(contents.values);
    std::string reason;
    auto bytes = serialize(contents.values, reason);
    if (!bytes)
        return refuse(reason);
    if (!FileIO::writeFileAtomically(directory.get(), fileName(), *bytes, reason))
        return refuse(reason);
    return std::move(contents.values);
}

std::shared_ptr<NSData> PreferencesFile::readBytes(std::optional<std::string>& problem) const
{
    // Non-blocking and through the device root: a fifo or a device would block or stream forever,
    // and a link leads nowhere outside the device.
    auto fd = DeviceRoot::open(devicePath(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
    struct stat status;
    if (!fd || ::fstat(fd.get(), &status) != 0) {
        if (errno != ENOENT)
            problem = std::string("the file can't be opened: ") + std::strerror(errno);
        return nullptr;
    }
    if (!S_ISREG(status.st_mode)) {
        problem = "the file is not a regular file";
        return nullptr;
    }
    auto data = FileIO::readData(fd.get(), maximumBytes);
    if (!data)
        problem = "the file can't be read or is larger than 4 MiB";
    return data;
}

PreferencesFile::Contents PreferencesFile::read() const
{
    std::optional<std::string> problem;
    auto bytes = readBytes(problem);
    if (!bytes)
        return { {}, problem };
    std::string reason;
    auto values = parse(bytes->span(), reason);
    if (!values)
        return { {}, reason };
    return { std::move(*values), std::nullopt };
}

std::optional<PlistDictionary> PreferencesFile::parse(std::span<const uint8_t> bytes, std::string& problem)
{
    std::string reason;
    auto value = NSPropertyListSerialization::propertyListWithData(bytes, &reason);
    if (!value) {
        problem = "the file can't be parsed (" + reason + ")";
        return std::nullopt;
    }
    auto* dictionary = value->get<PlistDictionary>();
    if (!dictionary) {
        problem = "the file does not hold a dictionary";
        return std::nullopt;
    }
    return std::move(*dictionary);
}

std::optional<std::vector<uint8_t>> PreferencesFile::serialize(const PlistDictionary& values, std::string& problem)
{
    // A file that reads back differently would lose the values at the next read, or change them
    // silently: it is never put in place.
    PlistValue meant(values);
    auto bytes = NSPropertyListSerialization::dataWithPropertyList(meant, NSPropertyListSerialization::Format::Binary);
    if (bytes.size() > maximumBytes) {
        problem = "the values would exceed 4 MiB";
        return std::nullopt;
    }
    std::string reason;
    auto readBack = bytes.empty() ? std::nullopt : NSPropertyListSerialization::propertyListWithData(bytes, &reason);
    if (!readBack || !readBack->isIdenticalTo(meant)) {
        problem = "the values would not read back unchanged (text that is not UTF-8 or holds NUL, or nesting deeper than "
            + std::to_string(NSPropertyListSerialization::maximumDepth) + ")";
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::string> PreferencesFile::moveAside(int directoryFd) const
{
    // Called under the lock, so no other writer picks the same name. Numbers only grow, so the
    // highest are the newest, and pruning keeps the folder from filling up with copies.
    auto name = fileName();
    auto numbers = asideNumbers(directoryFd);
    uint64_t number = numbers.empty() ? 1 : numbers.back() + 1;
    if (number == 0)
        return std::nullopt;
    auto aside = name + ".corrupt-" + std::to_string(number);
    struct stat status;
    if (::fstatat(directoryFd, aside.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
        return std::nullopt;
    if (::renameat(directoryFd, name.c_str(), directoryFd, aside.c_str()) != 0)
        return std::nullopt;
    pruneAsideCopies(directoryFd, numbers);
    return aside;
}

std::vector<uint64_t> PreferencesFile::asideNumbers(int directoryFd) const
{
    auto prefix = fileName() + ".corrupt-";
    std::vector<uint64_t> numbers;
    for (const auto& entry : DeviceRoot::listDirectory(directoryFd)) {
        const auto& name = entry.name;
        if (!name.starts_with(prefix) || name.size() == prefix.size() || name[prefix.size()] == '0')
            continue;
        uint64_t number = 0;
        auto [last, failure] = std::from_chars(name.data() + prefix.size(), name.data() + name.size(), number);
        if (failure == std::errc() && last == name.data() + name.size())
            numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

void PreferencesFile::pruneAsideCopies(int directoryFd, const std::vector<uint64_t>& olderNumbers) const
{
    // The copy just made and the newest of the older ones stay.
    size_t removed = olderNumbers.size() - std::min(olderNumbers.size(), keptAsideCopies - 1);
    for (uint64_t number : std::span(olderNumbers).first(removed)) {
        auto aside = fileName() + ".corrupt-" + std::to_string(number);
        ::unlinkat(directoryFd, aside.c_str(), 0);
    }
}

void PreferencesFile::removeStaleTemporaryFiles(int directoryFd) const
{
    // Writers make their temporary file only while holding the lock, so one found by the lock's
    // holder belongs to a writer that died before its rename.
    auto prefix = "." + fileName() + ".";
    for (const auto& entry : DeviceRoot::listDirectory(directoryFd)) {
        const auto& name = entry.name;
        if (name.size() == prefix.size() + temporarySuffixLength && name.starts_with(prefix))
            ::unlinkat(directoryFd, name.c_str(), 0);
    }
}

std::optional<PlistDictionary> PreferencesFile::refuse(const std::string& reason) const
{
    report(reason + "; nothing was written");
    return std::nullopt;
}

void PreferencesFile::report(const std::string& message) const
{
    std::fprintf(stderr, "HBPreferences: %s: %s\n", m_identifier.c_str(), message.c_str());
}
