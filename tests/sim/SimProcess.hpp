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
};

Result runSim(const std::vector<std::string>& arguments);

// A fresh device root, removed afterwards.
struct Device {
    Device();
    ~Device();
    std::filesystem::path root;
    std::vector<std::string> with(std::vector<std::string> arguments) const;
};

}
