#include <foundation/NSRunLoop.hpp>
#include <foundation/dispatch.hpp>

#include <chrono>
#include <cstdio>
#include <limits>

struct dispatch_queue_s {
    const char* label;
};

namespace {

dispatch_queue_s s_mainQueue { "main" };

bool isMainQueue(dispatch_queue_t queue)
{
    if (queue == &s_mainQueue)
        return true;
    std::fprintf(stderr, "dispatch: only the main queue exists; the block is dropped\n");
    return false;
}

uint64_t nowNanoseconds()
{
    auto since = NSRunLoop::Clock::now().time_since_epoch();
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since).count());
}

}

dispatch_queue_t dispatch_get_main_queue()
{
    return &s_mainQueue;
}

dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta)
{
    if (when == DISPATCH_TIME_FOREVER)
        return DISPATCH_TIME_FOREVER;
    uint64_t base = when == DISPATCH_TIME_NOW ? nowNanoseconds() : when;
    // Saturate: far future is "forever", a time before the clock's start is "now".
    if (delta >= 0) {
        auto step = static_cast<uint64_t>(delta);
        return step >= DISPATCH_TIME_FOREVER - base ? DISPATCH_TIME_FOREVER : base + step;
    }
    auto step = static_cast<uint64_t>(-(delta + 1)) + 1;
    return step >= base ? 1 : base - step;
}

void dispatch_async(dispatch_queue_t queue, dispatch_block_t block)
{
    if (isMainQueue(queue))
        NSRunLoop::mainRunLoop()->performBlock(std::move(block));
}

void dispatch_after(dispatch_time_t when, dispatch_queue_t queue, dispatch_block_t block)
{
    if (!isMainQueue(queue) || when == DISPATCH_TIME_FOREVER)
        return;
    if (when == DISPATCH_TIME_NOW) {
        NSRunLoop::mainRunLoop()->performBlock(std::move(block));
        return;
    }
    auto nanoseconds = std::chrono::nanoseconds(static_cast<int64_t>(std::min<uint64_t>(when, std::numeric_limits<int64_t>::max())));
    NSRunLoop::Clock::time_point deadline(std::chrono::duration_cast<NSRunLoop::Clock::duration>(nanoseconds));
    NSRunLoop::mainRunLoop()->performBlockAt(deadline, std::move(block));
}
