// The server's end of one host process: starts it (zova-sim itself, on the same device root), asks
// it one request at a time, and stops it. Safe from any thread.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct HostReply {
    std::string status; // "ok", "same" or "error"
    std::vector<uint8_t> bytes;
    uint64_t generation { 0 };
    // Microseconds until an animated picture on screen changes; -1 when none animates.
    long long nextChange { -1 };

    bool isOK() const { return status == "ok"; }
    std::string text() const { return { bytes.begin(), bytes.end() }; }
};

class HostChannel {
public:
    // The arguments that come before the command (--root DIR, --screen WxH).
    HostChannel(const std::string& role, const std::vector<std::string>& globalArguments);
    ~HostChannel();
    HostChannel(const HostChannel&) = delete;
    HostChannel& operator=(const HostChannel&) = delete;

    bool isRunning() const { return m_pid > 0; }
    // An "error" reply when the process doesn't answer in time or has gone.
    HostReply request(const std::string& line);
    // Closes the socket (the host leaves its loop), then makes sure the process is gone.
    void stop();

private:
    bool readLine(std::string& line);
    bool readBytes(std::vector<uint8_t>& bytes, size_t size);
    bool waitReadable();
    void fail();

    std::string m_role;
    pid_t m_pid { -1 };
    int m_fd { -1 };
    std::mutex m_lock;
};

}
