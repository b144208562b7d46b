#include <foundation/NSProcessInfo.hpp>

#include <cerrno>
#include <mutex>
#include <unistd.h>

static const Class s_class = objc::registerClass<NSProcessInfo>("NSProcessInfo", "NSObject");

namespace {

// One identity per process, whichever instance is asked.
std::mutex s_lock;
std::string s_processName;

}

std::shared_ptr<NSProcessInfo> NSProcessInfo::processInfo()
{
    // Leaked on purpose: code running at exit may still ask.
    static const auto* shared = new std::shared_ptr<NSProcessInfo>(std::make_shared<NSProcessInfo>());
    return *shared;
}

std::string NSProcessInfo::processName() const
{
    std::lock_guard guard(s_lock);
    if (s_processName.empty())
        return program_invocation_short_name;
    return s_processName;
}

void NSProcessInfo::setProcessName(std::string name)
{
    std::lock_guard guard(s_lock);
    s_processName = std::move(name);
}

int NSProcessInfo::processIdentifier() const
{
    return static_cast<int>(::getpid());
}
