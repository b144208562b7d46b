#include "HostChannel.hpp"
#include "HostProcess.hpp"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace sim {

namespace {

// A host that takes longer than this to answer one request is taken as hung. Its start counts:
// the first request waits for the host to load the tweak and the bundles.
constexpr int replyTimeoutMilliseconds = 30000;
// Nothing a host sends is larger than a picture of the screen at scale 3, many times over.
constexpr size_t maximumReplyBytes = 256u << 20;
constexpr auto stopGrace = std::chrono::seconds(2);

// Between fork and exec only async-signal-safe calls: everything is prepared before.
[[noreturn]] void execHost(int socket, pid_t parent, const std::vector<char*>& arguments)
{
    // The host ends with the server, even when the server is killed outright.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent)
        ::_exit(1);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::dup2(socket, hostSocketDescriptor);
    // The server's standard output is its own (the page's address); a host's lines go to stderr.
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    ::execv("/proc/self/exe", arguments.data());
    ::_exit(127);
}

}

HostChannel::HostChannel(const std::string& role, const std::vector<std::string>& globalArguments)
    : m_role(role)
{
    std::vector<std::string> words { "zova-sim" };
    words.insert(words.end(), globalArguments.begin(), globalArguments.end());
    words.insert(words.end(), { "serve", hostProcessOption, role });
    std::vector<char*> arguments;
    for (auto& word : words)
        arguments.push_back(word.data());
    arguments.push_back(nullptr);

    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
        return;
    pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid == 0)
        execHost(sockets[1], parent, arguments);
    ::close(sockets[1]);
    if (m_pid < 0) {
        ::close(sockets[0]);
        return;
    }
    m_fd = sockets[0];
}

HostChannel::~HostChannel()
{
    stop();
}

HostReply HostChannel::request(const std::string& line)
{
    std::lock_guard guard(m_lock);
    if (m_fd < 0)
        return { "error", {}, 0, -1 };
    std::string sent = line + "\n";
    if (::send(m_fd, sent.data(), sent.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(sent.size())) {
        fail();
        return { "error", {}, 0, -1 };
    }
    std::string header;
    HostReply reply;
    char status[16] = {};
    unsigned long long length = 0, generation = 0;
    long long nextChange = -1;
    if (!readLine(header) || std::sscanf(header.c_str(), "%15s %llu %llu %lld", status, &length, &generation, &nextChange) != 4 || length > maximumReplyBytes
        || !readBytes(reply.bytes, length)) {
        fail();
        return { "error", {}, 0, -1 };
    }
    reply.status = status;
    reply.generation = generation;
    reply.nextChange = nextChange;
    return reply;
}

bool HostChannel::waitReadable()
{
    pollfd watched { m_fd, POLLIN, 0 };
    int ready;
    while ((ready = ::poll(&watched, 1, replyTimeoutMilliseconds)) < 0 && errno == EINTR) { }
    return ready > 0;
}

bool HostChannel::readLine(std::string& line)
{
    char c;
    while (line.size() < maximumRequestLine) {
        if (!waitReadable() || ::recv(m_fd, &c, 1, 0) != 1)
            return false;
        if (c == '\n')
            return true;
        line += c;
    }
    return false;
}

bool HostChannel::readBytes(std::vector<uint8_t>& bytes, size_t size)
{
    bytes.resize(size);
    for (size_t done = 0; done < size;) {
        if (!waitReadable())
            return false;
        ssize_t count = ::recv(m_fd, bytes.data() + done, size - done, 0);
        if (count <= 0)
            return false;
        done += static_cast<size_t>(count);
    }
    return true;
}

// A host that broke the protocol or went silent is not asked again.
void HostChannel::fail()
{
    std::fprintf(stderr, "zova-sim: serve: the %s process stopped answering\n", m_role.c_str());
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void HostChannel::stop()
{
    std::lock_guard guard(m_lock);
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    auto deadline = std::chrono::steady_clock::now() + stopGrace;
    while (::waitpid(m_pid, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_pid = -1;
}

}
