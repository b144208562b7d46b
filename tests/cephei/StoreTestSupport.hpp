// Temporary device roots, store files and child processes for the settings store's tests.
#pragma once

#include <foundation/DeviceRoot.hpp>
#include <foundation/PropertyList.hpp>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace storetest {

// A fresh device root for one test, made the process's root, removed afterwards.
struct TemporaryDeviceRoot {
    std::filesystem::path path;

    TemporaryDeviceRoot()
    {
        char pattern[] = "/tmp/zova-store-XXXXXX";
        const char* made = mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        path = made ? made : "/nonexistent";
        DeviceRoot::set(path);
    }
    ~TemporaryDeviceRoot()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path preferences() const { return path / "var/mobile/Library/Preferences"; }
    std::filesystem::path storeFile(const std::string& identifier) const { return preferences() / (identifier + ".plist"); }
};

// Store objects live as long as the process and keep writing the variables registered on them, and
// keep their blocks: what a test registers must live as long.
template<typename T>
T& lasting(T value)
{
    return *new T(std::move(value));
}

// Unique per test: the process keeps one store object per identifier for its whole life.
inline std::string uniqueIdentifier()
{
    static int counter = 0;
    return std::string("com.zova.tests.") + testing::UnitTest::GetInstance()->current_test_info()->name() + "."
        + std::to_string(++counter);
}

inline void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> binaryPlist(const PlistDictionary& values)
{
    return NSPropertyListSerialization::dataWithPropertyList(PlistValue(values), NSPropertyListSerialization::Format::Binary);
}

// Starts a program; with `output`, its stdout is the read end returned there; with `errorFile`,
// its stderr goes to that file.
inline pid_t spawn(const std::vector<std::string>& arguments, int* output = nullptr, const char* errorFile = nullptr)
{
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int fds[2] = { -1, -1 };
    if (output) {
        EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    }
    if (errorFile)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    if (output) {
        close(fds[1]);
        *output = fds[0];
    }
    return pid;
}

// The exit status, or 128 + the signal that ended it.
inline int waitFor(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

inline int run(const std::vector<std::string>& arguments, std::string* output = nullptr, const char* errorFile = nullptr)
{
    int fd = -1;
    pid_t pid = spawn(arguments, output ? &fd : nullptr, errorFile);
    if (output) {
        char buffer[4096];
        ssize_t count;
        while ((count = read(fd, buffer, sizeof buffer)) > 0)
            output->append(buffer, static_cast<size_t>(count));
        close(fd);
    }
    return waitFor(pid);
}

inline int sim(const TemporaryDeviceRoot& root, std::vector<std::string> arguments, std::string* output = nullptr)
{
    arguments.insert(arguments.begin(), { ZOVA_SIM_PATH, "--root", root.path.string() });
    return run(arguments, output);
}

// A run of zova-sim: its exit status, stdout and the lines it wrote to stderr.
struct SimRun {
    int status { -1 };
    std::string output;
    std::vector<std::string> errors;
};

inline SimRun simCapturingErrors(const TemporaryDeviceRoot& root, std::vector<std::string> arguments)
{
    SimRun result;
    auto errorFile = root.path / "stderr.txt";
    arguments.insert(arguments.begin(), { ZOVA_SIM_PATH, "--root", root.path.string() });
    result.status = run(arguments, &result.output, errorFile.c_str());
    std::ifstream errors(errorFile);
    for (std::string line; std::getline(errors, line);)
        result.errors.push_back(line);
    return result;
}

}
