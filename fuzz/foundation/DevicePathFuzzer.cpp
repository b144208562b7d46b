// Hostile device paths through a small tree of folders, files and links inside a device root: what is
// opened, made or listed through the root must lie inside it, however the links point. Half the
// inputs walk as a kernel without openat2 would, refusing links.
#include <foundation/DeviceRoot.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Sandbox {
    fs::path root;
    fs::path outside;
    struct stat outsideStatus {};
    struct stat secretStatus {};
};

const Sandbox& sandbox()
{
    static const Sandbox* instance = [] {
        // In memory where there is a tmpfs: each input makes and removes a small tree.
        std::error_code error;
        fs::path folder = fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : fs::temp_directory_path();
        std::string pattern = (folder / "zova-fuzz-paths-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        auto* made = new Sandbox;
        auto base = fs::canonical(pattern);
        made->root = base / "device";
        made->outside = base / "outside";
        fs::create_directories(made->root);
        fs::create_directories(made->outside);
        FILE* secret = std::fopen((made->outside / "secret").c_str(), "w");
        if (!secret)
            std::abort();
        std::fputs("outside", secret);
        std::fclose(secret);
        ::stat(made->outside.c_str(), &made->outsideStatus);
        ::stat((made->outside / "secret").c_str(), &made->secretStatus);
        DeviceRoot::set(made->root);
        // The fuzzer ends through exit(): leave nothing behind.
        std::atexit([] { std::error_code ignored; fs::remove_all(sandbox().root.parent_path(), ignored); });
        return made;
    }();
    return *instance;
}

class Input {
public:
    Input(const uint8_t* bytes, size_t size)
        : m_bytes(bytes)
        , m_size(size)
    {
    }
    bool isEmpty() const { return m_offset >= m_size; }
    uint8_t next() { return isEmpty() ? 0 : m_bytes[m_offset++]; }
    template<typename T, size_t N>
    const T& pick(const T (&choices)[N]) { return choices[next() % N]; }

private:
    const uint8_t* m_bytes;
    size_t m_size;
    size_t m_offset { 0 };
};

const char* const s_names[] = { "a", "b", "c", "lib", "x.plist", "secret", "outside", "proc", "dev", "zero" };

std::vector<std::string> linkTargets()
{
    const auto& box = sandbox();
    return { "/", "..", "../..", "../../..", "/a", "a", "b/../..", "/a/../../..", "../outside", "../../outside/secret",
        box.outside.string(), (box.outside / "secret").string(), box.root.string(), "/proc/self/root",
        "/proc/self/cwd", "/dev/zero", ".", "/b/c", "../../../../../../../.." };
}

void fail(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "device path fuzzer: %s: %s\n", what, detail.c_str());
    std::abort();
}

// Folders made for real (never through a link), so the tree is built with plain host calls.
void buildTree(Input& input)
{
    const auto& box = sandbox();
    static const auto targets = linkTargets();
    std::vector<fs::path> folders { box.root };
    int operations = input.next() % 16;
    for (int i = 0; i < operations; ++i) {
        uint8_t kind = input.next();
        auto at = folders[input.next() % folders.size()] / input.pick(s_names);
        std::error_code ignored;
        if (kind % 3 == 0) {
            if (fs::create_directory(at, ignored))
                folders.push_back(at);
        } else if (kind % 3 == 1) {
            fs::create_symlink(targets[input.next() % targets.size()], at, ignored);
        } else {
            int fd = ::open(at.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (fd >= 0)
                ::close(fd);
        }
    }
}

std::string readPath(Input& input)
{
    const char* const tokens[] = { "/", "/", "/", "..", ".", "//", "a", "b", "c", "lib", "x.plist", "secret",
        "outside", "proc", "self", "root", "dev", "zero", "device" };
    std::string path = "/";
    int length = input.next() % 24;
    for (int i = 0; i < length; ++i) {
        uint8_t token = input.next();
        if (token >= 0xf0)
            path += static_cast<char>(input.next());
        else
            path += tokens[token % std::size(tokens)];
    }
    return path;
}

void checkInside(int fd, const std::string& devicePath)
{
    if (fd < 0)
        return;
    const auto& box = sandbox();
    char target[4096];
    ssize_t length = ::readlink(DeviceRoot::descriptorPath(fd).c_str(), target, sizeof target - 1);
    if (length < 0)
        fail("can't read the opened file's path", devicePath);
    std::string opened(target, static_cast<size_t>(length));
    const std::string& root = box.root.string();
    if (opened != root && !opened.starts_with(root + "/"))
        fail(("opened " + opened + " for").c_str(), devicePath);
    struct stat status;
    if (::fstat(fd, &status) != 0)
        fail("can't stat the opened file", devicePath);
    for (const auto* outside : { &box.outsideStatus, &box.secretStatus }) {
        if (status.st_dev == outside->st_dev && status.st_ino == outside->st_ino)
            fail("reached outside the root through", devicePath);
    }
}

void exercise(Input& input, const std::string& path)
{
    switch (input.next() % 6) {
    case 0:
        checkInside(DeviceRoot::open(path, O_RDONLY | O_NONBLOCK).get(), path);
        break;
    case 1:
        checkInside(DeviceRoot::open(path, O_PATH).get(), path);
        break;
    case 2:
        checkInside(DeviceRoot::open(path, O_WRONLY | O_CREAT | O_NONBLOCK, 0644).get(), path);
        break;
    case 3:
        checkInside(DeviceRoot::createDirectories(path).get(), path);
        break;
    case 4: {
        auto entry = DeviceRoot::openParent(path);
        if (!entry)
            break;
        checkInside(entry->directory.get(), path);
        // What callers do next: create and open the name inside that folder, never following it.
        FileDescriptor made(::openat(entry->directory.get(), entry->name.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
        checkInside(made.get(), path);
        break;
    }
    default: {
        auto folder = DeviceRoot::open(path, O_RDONLY | O_DIRECTORY);
        checkInside(folder.get(), path);
        if (folder)
            DeviceRoot::listDirectory(folder.get(), 64);
        break;
    }
    }
}

void checkOutsideUntouched()
{
    const auto& box = sandbox();
    std::error_code error;
    size_t count = 0;
    for (fs::directory_iterator it(box.outside, error), end; !error && it != end; it.increment(error)) {
        if (it->path().filename() != "secret")
            fail("something was made outside the root", it->path().string());
        ++count;
    }
    struct stat status;
    if (count != 1 || ::stat((box.outside / "secret").c_str(), &status) != 0 || status.st_size != 7)
        fail("the file outside the root was changed", (box.outside / "secret").string());
}

void clearRoot()
{
    std::error_code error;
    for (fs::directory_iterator it(sandbox().root, error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        fs::remove_all(it->path(), ignored);
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    sandbox();
    Input input(bytes, size);
    DeviceRoot::Testing::setLinksRefused(input.next() & 1);
    buildTree(input);
    for (int paths = 0; paths < 64 && !input.isEmpty(); ++paths)
        exercise(input, readPath(input));
    checkOutsideUntouched();
    clearRoot();
    return 0;
}
