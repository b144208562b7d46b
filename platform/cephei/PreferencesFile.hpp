// The file behind one store identifier: "<identifier>.plist" in the device's Preferences folder, a
// binary property list holding one dictionary. Reads are bounded; updates hold a lock shared by every
// process and replace the file atomically, so writers lose no update and readers never see half a file.
#pragma once

#include <foundation/NSData.hpp>
#include <foundation/PropertyList.hpp>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class PreferencesFile {
public:
    static constexpr const char* directoryPath = "/var/mobile/Library/Preferences";
    // Anything larger is treated as unreadable, and never written.
    static constexpr size_t maximumBytes = 4 * 1024 * 1024;

    explicit PreferencesFile(std::string identifier);

    const std::string& identifier() const { return m_identifier; }
    std::string fileName() const { return m_identifier + ".plist"; }
    // False when no root is set or the identifier can't name a file (a reason has then been printed):
    // only the defaults apply.
    bool isUsable() const { return m_isUsable; }
    // The file's device path; its folder is directoryPath.
    std::string devicePath() const;

    // The stored values. Nothing stored gives an empty dictionary; so does a file that can't be read
    // or parsed, with one line on stderr.
    PlistDictionary load() const;
    // Reads, changes and replaces the file under the lock. The values now stored, or none (with one
    // line on stderr) when nothing was written, also when the new file would not read back as
    // these values. A bad file is moved aside first; the newest copies are kept.
    std::optional<PlistDictionary> update(const std::function<void(PlistDictionary&)>& change) const;

    // The values held by a store file's bytes; none, with the problem, for anything else.
    static std::optional<PlistDictionary> parse(std::span<const uint8_t> bytes, std::string& problem);
    // The bytes that store these values, parsed back and found to hold exactly them; none, with the
    // problem, when they would not.
    static std::optional<std::vector<uint8_t>> serialize(const PlistDictionary& values, std::string& problem);
    // Moved-aside copies of bad files kept beside the store: older ones are removed.
    static constexpr size_t keptAsideCopies = 10;

private:
    struct Contents {
        PlistDictionary values;
        std::optional<std::string> problem;
    };

    // The file's bytes, or none: with a problem, or with none when there is no file.
    std::shared_ptr<NSData> readBytes(std::optional<std::string>& problem) const;
    Contents read() const;
    std::optional<std::string> moveAside(int directoryFd) const;
    std::vector<uint64_t> asideNumbers(int directoryFd) const;
    void pruneAsideCopies(int directoryFd, const std::vector<uint64_t>& olderNumbers) const;
    void removeStaleTemporaryFiles(int directoryFd) const;
    std::optional<PlistDictionary> refuse(const std::string& reason) const;
    void report(const std::string& message) const;

    std::string m_identifier;
    bool m_isUsable { false };
};
