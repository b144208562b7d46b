// Runs zova-sim as a separate process, as a user or a script does, and captures what it prints.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace simtest {

struct Result {
    int status { -1 };
    std::string out;
    std::string err;
    // Processor time the run took, user and system.
    double cpuSeconds { 0 };
};

// With a timeout (seconds, 0 for none), a run still going then is killed and ends with status 128 + SIGKILL.
Result runSim(const std::vector<std::string>& arguments, double timeoutSeconds = 0);

// A fresh device root, removed afterwards.
struct Device {
    Device();
    ~Device();
    std::filesystem::path root;
    std::vector<std::string> with(std::vector<std::string> arguments) const;
};

}
