#include "SimProcess.hpp"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace simtest {

namespace {

std::string readAll(int fd)
{
    std::string text;
    char buffer[4096];
    ssize_t count;
    while ((count = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(count));
    return text;
}

double seconds(const timeval& time)
{
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// The child's wait status; with a timeout, a child still running then is killed first.
int waitForChild(pid_t pid, double timeoutSeconds, rusage& usage)
{
    int status = 0;
    if (timeoutSeconds > 0) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
        for (;;) {
            pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
            if (done == pid || (done < 0 && errno != EINTR))
                return status;
            if (std::chrono::steady_clock::now() >= deadline) {
                ::kill(pid, SIGKILL);
                break;
            }
            ::usleep(10'000);
        }
    }
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    return status;
}

}

Result runSim(const std::vector<std::string>& arguments, double timeoutSeconds)
{
    std::vector<std::string> argv { ZOVA_SIM_PATH };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (auto& argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    // Output goes to files: reading two pipes in turn could stall a chatty child.
    char outName[] = "/tmp/zova-sim-out-XXXXXX";
    char errName[] = "/tmp/zova-sim-err-XXXXXX";
    int out = ::mkstemp(outName), err = ::mkstemp(errName);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    Result result;
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ) == 0) {
        rusage usage {};
        int status = waitForChild(pid, timeoutSeconds, usage);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    }
    posix_spawn_file_actions_destroy(&actions);
    ::lseek(out, 0, SEEK_SET);
    ::lseek(err, 0, SEEK_SET);
    result.out = readAll(out);
    result.err = readAll(err);
    ::close(out);
    ::close(err);
    ::unlink(outName);
    ::unlink(errName);
    return result;
}

Device::Device()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zova-sim-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    root = pattern;
}

Device::~Device()
{
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::vector<std::string> Device::with(std::vector<std::string> arguments) const
{
    arguments.insert(arguments.begin(), { "--root", root.string() });
    return arguments;
}

}
