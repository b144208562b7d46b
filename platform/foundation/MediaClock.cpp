#include <foundation/MediaClock.hpp>

#include <atomic>

namespace {

std::atomic<bool> s_isSimulated { false };
std::atomic<MediaClock::rep> s_simulatedTicks { 0 };

}

MediaClock::time_point MediaClock::now() noexcept
{
    if (!s_isSimulated.load(std::memory_order_acquire))
        return std::chrono::steady_clock::now();
    return time_point(duration(s_simulatedTicks.load(std::memory_order_acquire)));
}

bool MediaClock::isSimulated() noexcept
{
    return s_isSimulated.load(std::memory_order_acquire);
}

void MediaClock::startSimulating() noexcept
{
    if (s_isSimulated.load(std::memory_order_acquire))
        return;
    s_simulatedTicks.store(std::chrono::steady_clock::now().time_since_epoch().count(), std::memory_order_release);
    s_isSimulated.store(true, std::memory_order_release);
}

void MediaClock::advanceTo(time_point point) noexcept
{
    if (!isSimulated())
        return;
    rep target = point.time_since_epoch().count();
    rep current = s_simulatedTicks.load(std::memory_order_acquire);
    while (current < target && !s_simulatedTicks.compare_exchange_weak(current, target, std::memory_order_acq_rel)) {
    }
}

void MediaClock::advanceBy(duration step) noexcept
{
    if (step > duration::zero())
        advanceTo(now() + step);
}
