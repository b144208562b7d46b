// Threads as the system sees them: which one is the main thread, and blocking sleeps.
// No thread objects of our own: the stand-in never starts threads for the system.
#pragma once

#include <objc/NSObject.hpp>

class NSThread final : public NSObject {
public:
    // The process's initial thread, which runs main() and the main run loop.
    static bool isMainThread();
    // Blocks the calling thread for that many seconds; nothing for zero, negative or NaN.
    static void sleepForTimeInterval(double seconds);

private:
    NSThread() = default;
};
