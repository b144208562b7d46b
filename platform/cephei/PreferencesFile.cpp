#include <cephei/PreferencesFile.hpp>

#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr int maximumAsideCopies = 1000;
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
    explicit FileLock(const std::filesystem::path& path)
        : m_fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644))
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
    m_directory = DeviceRoot::resolve(directoryPath);
    m_root = DeviceRoot::get();
    if (!m_directory || !m_root) {
        m_directory.reset();
        report("no device root is set; only the defaults apply");
    }
}

std::optional<std::filesystem::path> PreferencesFile::filePath() const
{
    if (!m_directory)
        return std::nullopt;
    return *m_directory / fileName();
}

PlistDictionary PreferencesFile::load() const
{
    auto path = filePath();
    if (!path)
        return {};
    if (!isInsideRoot(*path)) {
        report("the file leads outside the device root; using the defaults");
        return {};
    }
    auto contents = read(*path);
    if (contents.problem)
        report(*contents.problem + "; using the defaults");
    return std::move(contents.values);
}

std::optional<PlistDictionary> PreferencesFile::update(const std::function<void(PlistDictionary&)>& change) const
{
    auto path = filePath();
    if (!path)
        return refuse("nowhere to store the values");
    if (!isInsideRoot(*path))
        return refuse("the file leads outside the device root");
    std::error_code error;
    std::filesystem::create_directories(*m_directory, error);
    if (error)
        return refuse("can't create " + m_directory->string() + ": " + error.message());
    FileLock lock(*m_directory / (fileName() + ".lock"));
    if (!lock.isHeld())
        return refuse(std::string("can't take the lock: ") + std::strerror(errno));

    removeStaleTemporaryFiles();
    auto contents = read(*path);
    if (contents.problem) {
        auto aside = moveAside(*path);
        if (!aside)
            return refuse(*contents.problem + ", and it can't be moved aside");
        report(*contents.problem + "; moved aside to " + *aside);
    }
    change(contents.values);
    auto bytes = NSPropertyListSerialization::dataWithPropertyList(PlistValue(contents.values), NSPropertyListSerialization::Format::Binary);
    if (bytes.size() > maximumBytes)
        return refuse("the values would exceed 4 MiB");
    std::string reason;
    if (!FileIO::writeFileAtomically(*path, bytes, reason))
        return refuse(reason);
    return std::move(contents.values);
}

PreferencesFile::Contents PreferencesFile::read(const std::filesystem::path& path) const
{
    std::error_code error;
    auto status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return {};
    // A fifo or a device would block or stream forever; only plain files are read.
    if (status.type() != std::filesystem::file_type::regular)
        return { {}, "the file is not a regular file" };
    auto bytes = FileIO::readFile(path, maximumBytes);
    if (!bytes)
        return { {}, "the file can't be read or is larger than 4 MiB" };
    std::string reason;
    auto value = NSPropertyListSerialization::propertyListWithData(*bytes, &reason);
    if (!value)
        return { {}, "the file can't be parsed (" + reason + ")" };
    auto* dictionary = value->get<PlistDictionary>();
    if (!dictionary)
        return { {}, "the file does not hold a dictionary" };
    return { std::move(*dictionary), std::nullopt };
}

bool PreferencesFile::isInsideRoot(const std::filesystem::path& path) const
{
    // Symbolic links are resolved: a folder or file that points out of the device is not followed.
    std::error_code error;
    auto root = std::filesystem::weakly_canonical(*m_root, error);
    if (error)
        return false;
    auto real = std::filesystem::weakly_canonical(path, error);
    if (error)
        return false;
    auto [rootEnd, realEnd] = std::mismatch(root.begin(), root.end(), real.begin(), real.end());
    (void)realEnd;
    return rootEnd == root.end();
}

std::optional<std::string> PreferencesFile::moveAside(const std::filesystem::path& path) const
{
    // Called under the lock, so no other writer picks the same name.
    for (int number = 1; number <= maximumAsideCopies; ++number) {
        auto aside = path;
        aside += ".corrupt-" + std::to_string(number);
        std::error_code error;
        if (std::filesystem::symlink_status(aside, error).type() != std::filesystem::file_type::not_found)
            continue;
        if (::rename(path.c_str(), aside.c_str()) != 0)
            return std::nullopt;
        return aside.filename().string();
    }
    return std::nullopt;
}

void PreferencesFile::removeStaleTemporaryFiles() const
{
    // Writers make their temporary file only while holding the lock, so one found by the lock's
    // holder belongs to a writer that died before its rename.
    auto prefix = "." + fileName() + ".";
    // Stepped with error codes: a range-for would throw from its increment.
    std::error_code error;
    for (std::filesystem::directory_iterator it(*m_directory, error), end; !error && it != end; it.increment(error)) {
        auto name = it->path().filename().string();
        std::error_code ignored;
        if (name.size() == prefix.size() + temporarySuffixLength && name.starts_with(prefix))
            std::filesystem::remove(it->path(), ignored);
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
