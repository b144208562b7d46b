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
    std::string reason;
    auto bytes = serialize(contents.values, reason);
    if (!bytes)
        return refuse(reason);
    if (!FileIO::writeFileAtomically(*path, *bytes, reason))
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
    std::string problem;
    auto values = parse(*bytes, problem);
    if (!values)
        return { {}, problem };
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
    // Called under the lock, so no other writer picks the same name. Numbers only grow, so the
    // highest are the newest, and pruning keeps the folder from filling up with copies.
    auto numbers = asideNumbers(path);
    uint64_t number = numbers.empty() ? 1 : numbers.back() + 1;
    if (number == 0)
        return std::nullopt;
    auto aside = path;
    aside += ".corrupt-" + std::to_string(number);
    std::error_code error;
    if (std::filesystem::symlink_status(aside, error).type() != std::filesystem::file_type::not_found)
        return std::nullopt;
    if (::rename(path.c_str(), aside.c_str()) != 0)
        return std::nullopt;
    pruneAsideCopies(path, numbers);
    return aside.filename().string();
}

std::vector<uint64_t> PreferencesFile::asideNumbers(const std::filesystem::path& path) const
{
    auto prefix = path.filename().string() + ".corrupt-";
    std::vector<uint64_t> numbers;
    std::error_code error;
    for (std::filesystem::directory_iterator it(path.parent_path(), error), end; !error && it != end; it.increment(error)) {
        auto name = it->path().filename().string();
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

void PreferencesFile::pruneAsideCopies(const std::filesystem::path& path, const std::vector<uint64_t>& olderNumbers) const
{
    // The copy just made and the newest of the older ones stay.
    size_t removed = olderNumbers.size() - std::min(olderNumbers.size(), keptAsideCopies - 1);
    for (uint64_t number : std::span(olderNumbers).first(removed)) {
        auto aside = path;
        aside += ".corrupt-" + std::to_string(number);
        std::error_code ignored;
        std::filesystem::remove(aside, ignored);
    }
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
