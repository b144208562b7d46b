#include <preferences/DarwinNotifications.hpp>

#include <mutex>

namespace DarwinNotifications {

namespace {

// The log keeps the latest posts only: a page toggled in a loop must not grow it without end.
constexpr size_t maximumRecorded = 4096;

struct Log {
    std::mutex lock;
    std::vector<std::string> names;
};

Log& log()
{
    static auto* instance = new Log;
    return *instance;
}

}

void post(const std::string& name)
{
    if (name.empty())
        return;
    auto& recorded = log();
    std::lock_guard guard(recorded.lock);
    if (recorded.names.size() >= maximumRecorded)
        recorded.names.erase(recorded.names.begin());
    recorded.names.push_back(name);
}

std::vector<std::string> posted()
{
    auto& recorded = log();
    std::lock_guard guard(recorded.lock);
    return recorded.names;
}

void clear()
{
    auto& recorded = log();
    std::lock_guard guard(recorded.lock);
    recorded.names.clear();
}

}
