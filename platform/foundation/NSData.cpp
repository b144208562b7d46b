#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

static const Class s_class = objc::registerClass<NSData>("NSData", "NSObject");

namespace FileIO {

namespace {

// Reads are opened so that nothing waits: a fifo without a writer, a terminal or a device never blocks.
constexpr int readFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// The size of a regular file that fits the bound; none for anything else.
std::optional<size_t> regularFileSize(int fd, size_t maxBytes)
{
    struct stat status;
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0)
        return std::nullopt;
    auto size = static_cast<uint64_t>(status.st_size);
    if (size > maxBytes)
        return std::nullopt;
    return static_cast<size_t>(size);
}

// Small enough that a piece just read is still in the processor's cache when it is looked at.
constexpr size_t progressPiece = size_t { 512 } << 10;

// Exactly size bytes from the start, and not one more: a file that shrinks or grows while it is
// read is being rewritten in place, and half of it is not its content.
bool readExactly(int fd, uint8_t* into, size_t size, const ReadProgress& progress = {})
{
    size_t done = 0;
    while (done < size) {
        size_t want = progress ? std::min(size - done, progressPiece) : size - done;
        ssize_t count = ::pread(fd, into + done, want, static_cast<off_t>(done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += static_cast<size_t>(count);
        if (progress)
            progress({ into, done });
    }
    uint8_t probe;
    for (;;) {
        ssize_t count = ::pread(fd, &probe, 1, static_cast<off_t>(size));
        if (count < 0 && errno == EINTR)
            continue;
        return count == 0;
    }
}

bool writeAll(int fd, std::span<const uint8_t> bytes)
{
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes = bytes.subspan(static_cast<size_t>(written));
    }
    return true;
}

// ".<name>.XXXXXX", as mkstemp names it; the settings store recognises leftovers by that shape.
std::string temporaryName(const std::string& name)
{
    static constexpr char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random(std::random_device {}());
    std::string result = "." + name + ".";
    for (int i = 0; i < 6; ++i)
        result += letters[random() % (sizeof letters - 1)];
    return result;
}

FileDescriptor createTemporaryFile(int directoryFd, const std::string& name, std::string& temporary)
{
    for (int attempt = 0; attempt < 64; ++attempt) {
        temporary = temporaryName(name);
        FileDescriptor fd(::openat(directoryFd, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (fd || errno != EEXIST)
            return fd;
    }
    return FileDescriptor();
}

}

std::shared_ptr<NSData> readData(int fd, size_t maxBytes, const ReadProgress& progress)
{
    auto size = regularFileSize(fd, maxBytes);
    if (!size)
        return nullptr;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[*size]);
    if (!buffer || !readExactly(fd, buffer.get(), *size, progress))
        return nullptr;
    return std::make_shared<NSData>(std::move(buffer), *size);
}

FileDescriptor openDeviceFile(std::string_view devicePath)
{
    auto fd = DeviceRoot::open(devicePath, readFlags);
    struct stat status;
    if (!fd || ::fstat(fd.get(), &status) != 0)
        return FileDescriptor();
    if (!S_ISREG(status.st_mode)) {
        errno = 0;
        return FileDescriptor();
    }
    return fd;
}

std::shared_ptr<NSData> readDeviceFile(std::string_view devicePath, size_t maxBytes, const ReadProgress& progress)
{
    auto fd = DeviceRoot::open(devicePath, readFlags);
    return fd ? readData(fd.get(), maxBytes, progress) : nullptr;
}

std::optional<std::vector<uint8_t>> readFile(const std::filesystem::path& hostPath, size_t maxBytes)
{
    FileDescriptor fd(::open(hostPath.c_str(), readFlags));
    auto size = regularFileSize(fd.get(), maxBytes);
    if (!size)
        return std::nullopt;
    std::vector<uint8_t> bytes(*size);
    if (!readExactly(fd.get(), bytes.data(), *size))
        return std::nullopt;
    return bytes;
}

bool writeFileAtomically(int directoryFd, const std::string& name, std::span<const uint8_t> bytes, std::string& error)
{
    std::string temporary;
    FileDescriptor fd = createTemporaryFile(directoryFd, name, temporary);
    if (!fd) {
        error = std::string("can't create a temporary file beside ") + name + ": " + std::strerror(errno);
        return false;
    }
    bool written = writeAll(fd.get(), bytes) && ::fchmod(fd.get(), 0644) == 0 && ::fsync(fd.get()) == 0;
    int closeResult = ::close(fd.release());
    if (!written || closeResult != 0 || ::renameat(directoryFd, temporary.c_str(), directoryFd, name.c_str()) != 0) {
        error = std::string("can't write ") + name + ": " + std::strerror(errno);
        ::unlinkat(directoryFd, temporary.c_str(), 0);
        return false;
    }
    // Make the rename itself durable.
    ::fsync(directoryFd);
    return true;
}

bool writeFileAtomically(const std::filesystem::path& hostPath, std::span<const uint8_t> bytes, std::string& error)
{
    auto directory = hostPath.parent_path();
    FileDescriptor directoryFd(::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directoryFd) {
        error = "can't open " + directory.string() + ": " + std::strerror(errno);
        return false;
    }
    return writeFileAtomically(directoryFd.get(), hostPath.filename().string(), bytes, error);
}

}

NSData::NSData(std::vector<uint8_t> bytes)
    : m_bytes(std::move(bytes))
    , m_view(m_bytes)
{
}

NSData::NSData(std::unique_ptr<uint8_t[]> buffer, size_t length)
    : m_buffer(std::move(buffer))
    , m_view(m_buffer.get(), m_buffer ? length : 0)
{
}

std::shared_ptr<NSData> NSData::dataWithBytes(std::span<const uint8_t> bytes)
{
    return std::make_shared<NSData>(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

std::shared_ptr<NSData> NSData::dataWithContentsOfURL(const NSURL* url)
{
    if (!url || !url->isFileURL())
        return nullptr;
    return dataWithContentsOfFile(url->path());
}

std::shared_ptr<NSData> NSData::dataWithContentsOfFile(const std::string& devicePath)
{
    return FileIO::readDeviceFile(devicePath, maximumFileBytes);
}

bool NSData::writeToFile(const std::string& devicePath, unsigned long options, NSError* error) const
{
    auto report = [error](std::string message) {
        if (error)
            error->localizedDescription = std::move(message);
        return false;
    };
    std::string reason;
    if (options & NSDataWritingAtomic) {
        auto entry = DeviceRoot::openParent(devicePath);
        if (!entry)
            return report("can't open the folder of " + devicePath + ": " + std::strerror(errno));
        if (!FileIO::writeFileAtomically(entry->directory.get(), entry->name, span(), reason))
            return report(reason);
        return true;
    }
    // Non-blocking, so that a fifo without a reader refuses rather than waits.
    auto fd = DeviceRoot::open(devicePath, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY, 0644);
    struct stat status;
    if (!fd || ::fstat(fd.get(), &status) != 0)
        return report(std::string("can't write ") + devicePath + ": " + std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        return report(devicePath + " is not a regular file");
    if (::fcntl(fd.get(), F_SETFL, 0) != 0 || !FileIO::writeAll(fd.get(), span()))
        return report(std::string("can't write ") + devicePath + ": " + std::strerror(errno));
    return true;
}
