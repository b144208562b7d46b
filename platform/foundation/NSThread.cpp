#include <foundation/MediaClock.hpp>
#include <foundation/NSThread.hpp>

#include <cerrno>
#include <cmath>
#include <ctime>
#include <unistd.h>

static const Class s_class = objc::registerClass<NSThread>("NSThread", "NSObject");

bool NSThread::isMainThread()
{
    // The initial thread's id is the process id; this also holds in a child after fork().
    return ::gettid() == ::getpid();
}

void NSThread::sleepForTimeInterval(double seconds)
{
    if (!(seconds > 0))
        return;
    // Anything beyond a day is a caller's mistake; clamp rather than overflow time_t arithmetic.
    seconds = std::fmin(seconds, 86400.0);
    // On simulated time the sleep is the clock moving on: the thread's work stands still as long.
    if (MediaClock::isSimulated()) {
        MediaClock::advanceBy(std::chrono::duration_cast<MediaClock::duration>(std::chrono::duration<double>(seconds)));
        return;
    }
    double whole = std::floor(seconds);
    timespec remaining {
        static_cast<time_t>(whole),
        static_cast<long>((seconds - whole) * 1e9),
    };
    while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}
