#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <utility>
#include <unistd.h>

static const Class s_class = objc::registerClass<NSData>("NSData", "NSObject");

namespace FileIO {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

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

}

std::optional<std::vector<uint8_t>> readFile(const std::filesystem::path& hostPath, size_t maxBytes)
{
    FileDescriptor fd(::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return std::nullopt;
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    for (;;) {
        ssize_t count = ::read(fd.get(), chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            return bytes;
        if (bytes.size() + static_cast<size_t>(count) > maxBytes)
            return std::nullopt;
        bytes.insert(bytes.end(), chunk, chunk + count);
    }
}

bool writeFileAtomically(const std::filesystem::path& hostPath, std::span<const uint8_t> bytes, std::string& error)
{
    auto directory = hostPath.parent_path();
    std::string pattern = (directory / ("." + hostPath.filename().string() + ".XXXXXX")).string();
    FileDescriptor fd(::mkstemp(pattern.data()));
    if (fd.get() < 0) {
        error = std::string("can't create a temporary file: ") + std::strerror(errno);
        return false;
    }
    bool written = writeAll(fd.get(), bytes) && ::fchmod(fd.get(), 0644) == 0 && ::fsync(fd.get()) == 0;
    int closeResult = ::close(fd.release());
    if (!written || closeResult != 0 || ::rename(pattern.c_str(), hostPath.c_str()) != 0) {
        error = std::string("can't write ") + hostPath.string() + ": " + std::strerror(errno);
        ::unlink(pattern.c_str());
        return false;
    }
    // Make the rename itself durable.
    FileDescriptor directoryFd(::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directoryFd.get() >= 0)
        ::fsync(directoryFd.get());
    return true;
}

}

NSData::NSData(std::vector<uint8_t> bytes)
    : m_bytes(std::move(bytes))
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
    auto hostPath = DeviceRoot::resolve(devicePath);
    if (!hostPath)
        return nullptr;
    auto bytes = FileIO::readFile(*hostPath);
    if (!bytes)
        return nullptr;
    return std::make_shared<NSData>(std::move(*bytes));
}

bool NSData::writeToFile(const std::string& devicePath, unsigned long options, NSError* error) const
{
    auto report = [error](std::string message) {
        if (error)
            error->localizedDescription = std::move(message);
        return false;
    };
    auto hostPath = DeviceRoot::resolve(devicePath);
    if (!hostPath)
        return report("not a path on the device: " + devicePath);
    std::string reason;
    if (options & NSDataWritingAtomic) {
        if (!FileIO::writeFileAtomically(*hostPath, m_bytes, reason))
            return report(reason);
        return true;
    }
    FileIO::FileDescriptor fd(::open(hostPath->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0 || !FileIO::writeAll(fd.get(), m_bytes))
        return report(std::string("can't write ") + devicePath + ": " + std::strerror(errno));
    return true;
}
