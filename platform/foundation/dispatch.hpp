// Dispatch queues, the main queue only: its blocks run on the main run loop in the order posted.
// Any other queue is refused with a line on stderr; there are no groups, sources or semaphores.
#pragma once

#include <cstdint>
#include <functional>

struct dispatch_queue_s;
using dispatch_queue_t = dispatch_queue_s*;
using dispatch_block_t = std::function<void()>;

// Nanoseconds on the monotonic clock; DISPATCH_TIME_NOW stands for the moment of the call.
using dispatch_time_t = uint64_t;
inline constexpr dispatch_time_t DISPATCH_TIME_NOW = 0;
inline constexpr dispatch_time_t DISPATCH_TIME_FOREVER = ~uint64_t { 0 };
inline constexpr uint64_t NSEC_PER_SEC = 1000000000;
inline constexpr uint64_t NSEC_PER_MSEC = 1000000;
inline constexpr uint64_t NSEC_PER_USEC = 1000;

dispatch_queue_t dispatch_get_main_queue();

// The time `delta` nanoseconds after `when` (which may be DISPATCH_TIME_NOW).
dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta);

// Safe from any thread. The block runs later, never within the call.
void dispatch_async(dispatch_queue_t, dispatch_block_t);
// Runs the block on the queue once `when` has passed; DISPATCH_TIME_FOREVER never runs it.
void dispatch_after(dispatch_time_t when, dispatch_queue_t, dispatch_block_t);
