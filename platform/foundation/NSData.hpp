// Immutable byte buffers read from and written to the device's files.
#pragma once

#include <foundation/NSURL.hpp>
#include <objc/NSObject.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct NSError {
    std::string localizedDescription;
};

enum NSDataWritingOptions : unsigned long {
    NSDataWritingAtomic = 1,
};

class NSData final : public NSObject {
public:
    explicit NSData(std::vector<uint8_t> bytes = {});

    static std::shared_ptr<NSData> dataWithBytes(std::span<const uint8_t>);
    // The whole file, or null when the URL is absent or not a file URL, or the file can't be read.
    static std::shared_ptr<NSData> dataWithContentsOfURL(const NSURL*);
    static std::shared_ptr<NSData> dataWithContentsOfFile(const std::string& devicePath);

    const uint8_t* bytes() const { return m_bytes.data(); }
    size_t length() const { return m_bytes.size(); }
    std::span<const uint8_t> span() const { return m_bytes; }

    // With NSDataWritingAtomic: a temporary file in the same directory, flushed, then renamed over
    // the target, so a reader sees the old content or the new one in full.
    // A failure is described in *error when error is not null.
    bool writeToFile(const std::string& devicePath, unsigned long options, NSError* error) const;

private:
    std::vector<uint8_t> m_bytes;
};

using CFDataRef = const NSData*;

// Host-path helpers shared by the stand-in's writers (the settings store uses them too).
namespace FileIO {

// Reads a whole host file; none when it can't be opened or read. Refuses files above maxBytes.
std::optional<std::vector<uint8_t>> readFile(const std::filesystem::path& hostPath, size_t maxBytes = SIZE_MAX);
// Atomic replacement of a host file; on failure the previous file is untouched and the reason given.
bool writeFileAtomically(const std::filesystem::path& hostPath, std::span<const uint8_t> bytes, std::string& error);

}
