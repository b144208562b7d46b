#include <foundation/NSRunLoop.hpp>
#include <foundation/NSThread.hpp>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <unordered_map>

static const Class s_class = objc::registerClass<NSRunLoop>("NSRunLoop", "NSObject");

namespace {

using Callback = std::shared_ptr<std::function<void()>>;

struct Timer {
    NSRunLoop::SourceID sourceID;
    NSRunLoop::Clock::duration interval;
    bool repeats;
    Callback callback;
};

struct FileDescriptorSource {
    int fd;
    Callback callback;
};

// The wake-up eventfd is registered with epoll under this id; sources start at 1.
constexpr NSRunLoop::SourceID wakeID = 0;
constexpr int maximumEventsPerTurn = 32;

// A callback's exception stops at the loop: the host must not unwind through it.
void invokeSafely(const std::function<void()>& callback)
{
    try {
        callback();
    } catch (const std::exception& exception) {
        std::fprintf(stderr, "NSRunLoop: a callback threw an exception: %s\n", exception.what());
    } catch (...) {
        std::fprintf(stderr, "NSRunLoop: a callback threw an exception of an unknown type\n");
    }
}

// Beyond a few decades means "never" for a run loop.
constexpr double foreverSeconds = 1e9;

NSRunLoop::Clock::duration durationOf(double seconds)
{
    if (!(seconds > 0))
        return NSRunLoop::Clock::duration::zero();
    return std::chrono::duration_cast<NSRunLoop::Clock::duration>(std::chrono::duration<double>(std::min(seconds, foreverSeconds)));
}

NSRunLoop::Clock::time_point deadlineAfter(double seconds)
{
    if (seconds > foreverSeconds)
        return NSRunLoop::Clock::time_point::max();
    return NSRunLoop::Clock::now() + durationOf(seconds);
}

// Rounded up, so that a wait never ends just before a timer is due and spins.
int millisecondsUntil(NSRunLoop::Clock::time_point deadline)
{
    if (deadline == NSRunLoop::Clock::time_point::max())
        return -1;
    auto now = NSRunLoop::Clock::now();
    if (deadline <= now)
        return 0;
    auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<int>(std::min<long long>(milliseconds, INT_MAX));
}

}

struct NSRunLoop::State {
    int epoll { -1 };
    int wake { -1 };
    std::atomic<bool> stopRequested { false };

    std::mutex lock;
    std::deque<std::function<void()>> blocks;
    std::multimap<Clock::time_point, Timer> timers; // equal deadlines keep their insertion order
    std::unordered_map<SourceID, FileDescriptorSource> sources;
    SourceID nextID { 1 };
};

NSRunLoop::NSRunLoop()
    : m_state(std::make_unique<State>())
{
    m_state->epoll = ::epoll_create1(EPOLL_CLOEXEC);
    m_state->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    epoll_event event {};
    event.events = EPOLLIN;
    event.data.u64 = wakeID;
    if (m_state->epoll < 0 || m_state->wake < 0 || ::epoll_ctl(m_state->epoll, EPOLL_CTL_ADD, m_state->wake, &event) != 0)
        std::fprintf(stderr, "NSRunLoop: can't set up the main run loop: %s\n", std::strerror(errno));
}

NSRunLoop::~NSRunLoop()
{
    if (m_state->wake >= 0)
        ::close(m_state->wake);
    if (m_state->epoll >= 0)
        ::close(m_state->epoll);
}

std::shared_ptr<NSRunLoop> NSRunLoop::mainRunLoop()
{
    // Leaked on purpose: store objects and other process-long owners remove their sources at exit.
    static auto* loop = new std::shared_ptr<NSRunLoop>(new NSRunLoop);
    return *loop;
}

void NSRunLoop::performBlock(std::function<void()> block)
{
    if (!block) {
        std::fprintf(stderr, "NSRunLoop: an empty block was posted; ignored\n");
        return;
    }
    {
        std::lock_guard guard(m_state->lock);
        m_state->blocks.push_back(std::move(block));
    }
    wake();
}

void NSRunLoop::performBlockAt(Clock::time_point deadline, std::function<void()> block)
{
    addTimerAt(deadline, Clock::duration::zero(), false, std::move(block));
}

NSRunLoop::SourceID NSRunLoop::addTimer(double intervalSeconds, bool repeats, std::function<void()> callback)
{
    auto interval = std::max<Clock::duration>(durationOf(intervalSeconds), std::chrono::milliseconds(1));
    return addTimerAt(Clock::now() + interval, interval, repeats, std::move(callback));
}

NSRunLoop::SourceID NSRunLoop::addTimerAt(Clock::time_point deadline, Clock::duration interval, bool repeats, std::function<void()> callback)
{
    if (!callback) {
        std::fprintf(stderr, "NSRunLoop: a timer without a callback was added; ignored\n");
        return 0;
    }
    SourceID sourceID;
    {
        std::lock_guard guard(m_state->lock);
        sourceID = m_state->nextID++;
        m_state->timers.emplace(deadline, Timer { sourceID, interval, repeats, std::make_shared<std::function<void()>>(std::move(callback)) });
    }
    wake();
    return sourceID;
}

NSRunLoop::SourceID NSRunLoop::addFileDescriptorSource(int fd, std::function<void()> onReadable)
{
    if (fd < 0 || !onReadable || m_state->epoll < 0) {
        std::fprintf(stderr, "NSRunLoop: can't watch descriptor %d\n", fd);
        return 0;
    }
    std::lock_guard guard(m_state->lock);
    SourceID sourceID = m_state->nextID++;
    epoll_event event {};
    event.events = EPOLLIN;
    event.data.u64 = sourceID;
    if (::epoll_ctl(m_state->epoll, EPOLL_CTL_ADD, fd, &event) != 0) {
        std::fprintf(stderr, "NSRunLoop: can't watch descriptor %d: %s\n", fd, std::strerror(errno));
        return 0;
    }
    m_state->sources.emplace(sourceID, FileDescriptorSource { fd, std::make_shared<std::function<void()>>(std::move(onReadable)) });
    return sourceID;
}

void NSRunLoop::removeSource(SourceID sourceID)
{
    std::lock_guard guard(m_state->lock);
    if (auto it = m_state->sources.find(sourceID); it != m_state->sources.end()) {
        ::epoll_ctl(m_state->epoll, EPOLL_CTL_DEL, it->second.fd, nullptr);
        m_state->sources.erase(it);
        return;
    }
    auto& timers = m_state->timers;
    auto it = std::find_if(timers.begin(), timers.end(), [sourceID](const auto& entry) { return entry.second.sourceID == sourceID; });
    if (it != timers.end())
        timers.erase(it);
}

void NSRunLoop::run()
{
    runLoop(Clock::time_point::max(), nullptr);
}

void NSRunLoop::runUntilDate(Clock::time_point deadline)
{
    runLoop(deadline, nullptr);
}

void NSRunLoop::runForTimeInterval(double seconds)
{
    runLoop(deadlineAfter(seconds), nullptr);
}

bool NSRunLoop::runUntil(const std::function<bool()>& condition, double timeoutSeconds)
{
    return runLoop(deadlineAfter(timeoutSeconds), &condition);
}

void NSRunLoop::stop()
{
    m_state->stopRequested = true;
    wake();
}

bool NSRunLoop::canRun() const
{
    if (!NSThread::isMainThread()) {
        std::fprintf(stderr, "NSRunLoop: the main run loop runs only on the main thread\n");
        return false;
    }
    if (m_state->epoll < 0) {
        std::fprintf(stderr, "NSRunLoop: the main run loop could not be set up\n");
        return false;
    }
    return true;
}

bool NSRunLoop::runLoop(Clock::time_point deadline, const std::function<bool()>* condition)
{
    if (!canRun())
        return condition && (*condition)();
    // A stop() made while nothing ran is not kept for a later run, as on the platform.
    m_state->stopRequested = false;
    for (;;) {
        if (condition && (*condition)())
            return true;
        if (m_state->stopRequested.exchange(false))
            return false;
        if (Clock::now() >= deadline) {
            // Woken late, as on a busy machine: what fell due before the end still runs, as it
            // would have on time.
            if (fireDueTimers(deadline) == 0)
                return condition && (*condition)();
            continue;
        }
        runOnce(deadline);
    }
}

void NSRunLoop::runOnce(Clock::time_point deadline)
{
    size_t ran = runPostedBlocks();
    if (!m_state->stopRequested)
        ran += fireDueTimers();
    // After work, only a look at the sources: the caller's condition may hold now.
    if (!m_state->stopRequested)
        waitForEvents(ran ? Clock::now() : deadline);
}

size_t NSRunLoop::runPostedBlocks()
{
    // Only the blocks already queued: a block that posts itself again runs on the next turn, so
    // timers and sources are not starved. One at a time, so a nested run keeps the order.
    size_t count = 0;
    {
        std::lock_guard guard(m_state->lock);
        count = m_state->blocks.size();
    }
    size_t ran = 0;
    for (; ran < count && !m_state->stopRequested; ++ran) {
        std::function<void()> block;
        {
            std::lock_guard guard(m_state->lock);
            if (m_state->blocks.empty())
                break;
            block = std::move(m_state->blocks.front());
            m_state->blocks.pop_front();
        }
        invokeSafely(block);
    }
    return ran;
}

size_t NSRunLoop::fireDueTimers(std::optional<Clock::time_point> until)
{
    auto now = until ? std::min(*until, Clock::now()) : Clock::now();
    size_t fired = 0;
    for (; !m_state->stopRequested; ++fired) {
        Callback callback;
        {
            std::lock_guard guard(m_state->lock);
            auto& timers = m_state->timers;
            if (timers.empty() || timers.begin()->first > now)
                break;
            auto node = timers.extract(timers.begin());
            callback = node.mapped().callback;
            // Rescheduled before it runs, so that the callback can remove its own timer.
            if (node.mapped().repeats) {
                node.key() = std::max(node.key() + node.mapped().interval, now + node.mapped().interval);
                timers.insert(std::move(node));
            }
        }
        invokeSafely(*callback);
    }
    return fired;
}

void NSRunLoop::waitForEvents(Clock::time_point deadline)
{
    int timeout = 0;
    Clock::time_point next = Clock::now();
    {
        std::lock_guard guard(m_state->lock);
        if (m_state->blocks.empty()) {
            next = deadline;
            if (!m_state->timers.empty())
                next = std::min(next, m_state->timers.begin()->first);
            timeout = millisecondsUntil(next);
        }
    }
    // Simulated time doesn't pass by waiting: look at the sources, and when none had anything, move
    // the clock on to what is due next. Waiting for ever stays a real wait, for a source.
    bool skipsAhead = Clock::isSimulated() && timeout != 0 && next != Clock::time_point::max();
    epoll_event events[maximumEventsPerTurn];
    int count = ::epoll_wait(m_state->epoll, events, maximumEventsPerTurn, skipsAhead ? 0 : timeout);
    size_t handled = 0;
    for (int i = 0; i < count && !m_state->stopRequested; ++i) {
        // A copy: epoll_event is packed, so its data can't be bound to a reference.
        uint64_t sourceID = events[i].data.u64;
        if (sourceID == wakeID) {
            uint64_t ignored = 0;
            while (::read(m_state->wake, &ignored, sizeof ignored) > 0) {
            }
            continue;
        }
        // Looked up per event: a callback earlier in this turn may have removed this source.
        Callback callback;
        {
            std::lock_guard guard(m_state->lock);
            auto it = m_state->sources.find(sourceID);
            if (it == m_state->sources.end())
                continue;
            callback = it->second.callback;
        }
        invokeSafely(*callback);
        ++handled;
    }
    if (skipsAhead && handled == 0)
        Clock::advanceTo(next);
}

void NSRunLoop::wake()
{
    uint64_t one = 1;
    if (m_state->wake >= 0 && ::write(m_state->wake, &one, sizeof one) < 0 && errno != EAGAIN)
        std::fprintf(stderr, "NSRunLoop: can't wake the main run loop: %s\n", std::strerror(errno));
}
