#include "ServedPhone.hpp"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace simtest {

namespace {

// The phone's processes load the tweak and the bundles before the address is printed.
constexpr int startTimeoutMilliseconds = 60000;

std::string readLine(int fd)
{
    std::string line;
    char c;
    pollfd watched { fd, POLLIN, 0 };
    while (::poll(&watched, 1, startTimeoutMilliseconds) > 0 && ::read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

}

ServedPhone::ServedPhone(const std::string& zovaSim, const std::filesystem::path& root)
{
    int output[2];
    if (::pipe(output) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    std::vector<std::string> words { zovaSim, "--root", root.string(), "serve", "--port", "0" };
    std::vector<char*> arguments;
    for (auto& word : words)
        arguments.push_back(word.data());
    arguments.push_back(nullptr);
    if (posix_spawn(&m_pid, zovaSim.c_str(), &actions, nullptr, arguments.data(), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    std::string line = m_pid > 0 ? readLine(output[0]) : std::string();
    ::close(output[0]);
    auto colon = line.find("127.0.0.1:");
    if (colon != std::string::npos)
        m_port = std::atoi(line.c_str() + colon + 10);
}

ServedPhone::~ServedPhone()
{
    stop();
}

std::unique_ptr<httplib::Client> ServedPhone::client() const
{
    auto client = std::make_unique<httplib::Client>("127.0.0.1", m_port);
    client->set_read_timeout(30, 0);
    return client;
}

int ServedPhone::stop()
{
    if (m_pid <= 0)
        return -1;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    pid_t done;
    while ((done = ::waitpid(m_pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (done == 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, &status, 0);
        status = -1;
    }
    m_pid = -1;
    return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}
