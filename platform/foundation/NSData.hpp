// Immutable byte buffers read from and written to the device's files.
#pragma once

#include <foundation/FileDescriptor.hpp>
#include <foundation/NSURL.hpp>
#include <objc/NSObject.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct NSError {
    std::string localizedDescription;
};

enum NSDataWritingOptions : unsigned long {
    NSDataWritingAtomic = 1,
};

class NSData final : public NSObject {
public:
    // Reading a file gives no data beyond this: nothing in the system uses a larger file (image
    // sources refuse one too), and the whole file would be held in memory.
    static constexpr size_t maximumFileBytes = size_t { 512 } << 20;

    explicit NSData(std::vector<uint8_t> bytes = {});
    // Takes a buffer as it is, so bytes read from a file are never copied again.
    NSData(std::unique_ptr<uint8_t[]> buffer, size_t length);

    static std::shared_ptr<NSData> dataWithBytes(std::span<const uint8_t>);
    // The whole file, or null when the URL is absent or not a file URL, or the file can't be read:
    // missing, not a regular file (a fifo or a device gives no data at once), or larger than
    // maximumFileBytes.
    static std::shared_ptr<NSData> dataWithContentsOfURL(const NSURL*);
    static std::shared_ptr<NSData> dataWithContentsOfFile(const std::string& devicePath);

    const uint8_t* bytes() const { return m_view.data(); }
    size_t length() const { return m_view.size(); }
    std::span<const uint8_t> span() const { return m_view; }

    // With NSDataWritingAtomic: a temporary file in the same directory, flushed, then renamed over
    // the target, so a reader sees the old content or the new one in full.
    // A failure is described in *error when error is not null.
    bool writeToFile(const std::string& devicePath, unsigned long options, NSError* error) const;

private:
    std::vector<uint8_t> m_bytes;
    std::unique_ptr<uint8_t[]> m_buffer;
    std::span<const uint8_t> m_view;
};

using CFDataRef = const NSData*;

// File reads and writes shared by the stand-in's frameworks. Reads take regular files only, sized
// by fstat before anything is allocated, and never wait: a fifo, a device, a folder or a socket
// gives no data. Device paths go through the device root.
namespace FileIO {

// Told the bytes read so far, as they arrive in pieces of a few hundred kilobytes, so that a
// reader can look at them while they are still in the cache. They are only the file's content
// if the read then succeeds.
using ReadProgress = std::function<void(std::span<const uint8_t> readSoFar)>;

// The rest of an open file (opened with O_NONBLOCK), in one buffer of its size; none when it is not
// a regular file, is larger than maxBytes, or changes size while it is read.
std::shared_ptr<NSData> readData(int fd, size_t maxBytes, const ReadProgress& = {});
// A regular file of the device, opened for reading without waiting; invalid when it can't be
// opened (errno set), or with errno 0 when it is something else.
FileDescriptor openDeviceFile(std::string_view devicePath);
// A file of the device.
std::shared_ptr<NSData> readDeviceFile(std::string_view devicePath, size_t maxBytes, const ReadProgress& = {});
// A file of this machine, for tools and tests, by the same rules.
std::optional<std::vector<uint8_t>> readFile(const std::filesystem::path& hostPath, size_t maxBytes = SIZE_MAX);

// Atomic replacement of the entry `name` of an open folder: a temporary file beside it, flushed,
// renamed over it, and the folder flushed. On failure the previous file is untouched and the reason given.
bool writeFileAtomically(int directoryFd, const std::string& name, std::span<const uint8_t> bytes, std::string& error);
// The same for a file of this machine (tools, tests, benchmarks).
bool writeFileAtomically(const std::filesystem::path& hostPath, std::span<const uint8_t> bytes, std::string& error);

}
