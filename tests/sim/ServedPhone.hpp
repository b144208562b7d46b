// A live phone (zova-sim serve) on a device root, on a free port, as the tests and the benchmark
// talk to it: started, asked over HTTP, stopped.
#pragma once

#include <httplib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <sys/types.h>

namespace simtest {

class ServedPhone {
public:
    // Starts `zova-sim --root ROOT serve --port 0` and waits for its address; port() is 0 when it
    // didn't come up.
    ServedPhone(const std::string& zovaSim, const std::filesystem::path& root);
    ~ServedPhone();

    int port() const { return m_port; }
    pid_t pid() const { return m_pid; }
    std::unique_ptr<httplib::Client> client() const;
    // SIGTERM, then its exit status (-1 when it had to be killed).
    int stop();

private:
    pid_t m_pid { -1 };
    int m_port { 0 };
};

}
