// The running process's identity: its name only. Hosts set the name they stand in for.
#pragma once

#include <objc/NSObject.hpp>

#include <memory>
#include <string>

class NSProcessInfo final : public NSObject {
public:
    static std::shared_ptr<NSProcessInfo> processInfo();

    // The executable's name: the one a host set, else this program's own.
    std::string processName() const;
    // Stand-in only: a host names the executable it plays (the main bundle's identity sets it too).
    void setProcessName(std::string);
    int processIdentifier() const;
};
