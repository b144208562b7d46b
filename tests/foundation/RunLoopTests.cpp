// The main run loop and the main queue, through their public calls.
#include <foundation/NSRunLoop.hpp>
#include <foundation/NSThread.hpp>
#include <foundation/dispatch.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <fcntl.h>
#include <stdexcept>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double threadCPUSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

NSRunLoop& mainLoop()
{
    return *NSRunLoop::mainRunLoop();
}

}

TEST(RunLoop, BlocksRunInPostingOrderFromEveryThread)
{
    // Catches lost blocks, or blocks run out of order when posted from the main thread, another
    // thread, or by a block already running (which must wait for those queued before it).
    std::vector<int> mainOrder, otherOrder;
    std::thread poster([&] {
        for (int i = 0; i < 200; ++i)
            dispatch_async(dispatch_get_main_queue(), [&otherOrder, i] { otherOrder.push_back(i); });
    });
    dispatch_async(dispatch_get_main_queue(), [&] {
        mainOrder.push_back(0);
        dispatch_async(dispatch_get_main_queue(), [&] { mainOrder.push_back(2); });
    });
    dispatch_async(dispatch_get_main_queue(), [&] { mainOrder.push_back(1); });
    poster.join();
    ASSERT_TRUE(mainLoop().runUntil([&] { return otherOrder.size() == 200 && mainOrder.size() == 3; }, 10));
    EXPECT_EQ(mainOrder, (std::vector<int> { 0, 1, 2 }));
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(otherOrder[i], i);
}

TEST(RunLoop, DispatchAfterWaitsForItsDeadlineAndKeepsDeadlineOrder)
{
    // Catches delayed blocks that run early, ignore their deadlines' order, or never run.
    std::vector<char> order;
    double lateAt = 0;
    auto start = Clock::now();
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, 150 * NSEC_PER_MSEC), dispatch_get_main_queue(), [&] {
        order.push_back('L');
        lateAt = secondsSince(start);
    });
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, 50 * NSEC_PER_MSEC), dispatch_get_main_queue(), [&] { order.push_back('E'); });
    dispatch_async(dispatch_get_main_queue(), [&] { order.push_back('N'); });
    ASSERT_TRUE(mainLoop().runUntil([&] { return order.size() == 3; }, 10));
    EXPECT_EQ(order, (std::vector<char> { 'N', 'E', 'L' }));
    EXPECT_GE(lateAt, 0.150);
}

TEST(RunLoop, FileDescriptorSourceCallsBackWhenReadableAndNeverAfterRemoval)
{
    // Catches a source that is not woken by another thread's write, or still called once removed.
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_NONBLOCK), 0);
    int calls = 0;
    auto source = mainLoop().addFileDescriptorSource(fds[0], [&] {
        char byte;
        while (read(fds[0], &byte, 1) == 1)
            ++calls;
    });
    ASSERT_NE(source, 0u);
    std::thread writer([&] {
        NSThread::sleepForTimeInterval(0.05);
        EXPECT_EQ(write(fds[1], "x", 1), 1);
    });
    EXPECT_TRUE(mainLoop().runUntil([&] { return calls == 1; }, 10));
    writer.join();
    mainLoop().removeSource(source);
    ASSERT_EQ(write(fds[1], "y", 1), 1);
    mainLoop().runForTimeInterval(0.1);
    EXPECT_EQ(calls, 1);
    close(fds[0]);
    close(fds[1]);
}

TEST(RunLoop, RunUntilHonoursItsDeadlineWithoutSpinning)
{
    // Catches a run that returns early, overruns its deadline, sleeps on after its condition came
    // true, never returns on stop(), or busy-waits.
    auto start = Clock::now();
    double cpuStart = threadCPUSeconds();
    EXPECT_FALSE(mainLoop().runUntil([] { return false; }, 0.3));
    double elapsed = secondsSince(start);
    EXPECT_GE(elapsed, 0.3);
    EXPECT_LT(elapsed, 2.0);
    EXPECT_LT(threadCPUSeconds() - cpuStart, 0.1);

    bool ran = false;
    dispatch_async(dispatch_get_main_queue(), [&] { ran = true; });
    start = Clock::now();
    EXPECT_TRUE(mainLoop().runUntil([&] { return ran; }, 10));
    EXPECT_LT(secondsSince(start), 1.0);

    dispatch_async(dispatch_get_main_queue(), [] { NSRunLoop::mainRunLoop()->stop(); });
    start = Clock::now();
    mainLoop().run();
    EXPECT_LT(secondsSince(start), 2.0);
}

TEST(RunLoop, RepeatingTimerFiresUntilItRemovesItself)
{
    // Catches a repeating timer that fires once only, or keeps firing after removing itself.
    int fired = 0;
    NSRunLoop::SourceID timer = 0;
    timer = mainLoop().addTimer(0.01, true, [&] {
        if (++fired == 3)
            mainLoop().removeSource(timer);
    });
    EXPECT_TRUE(mainLoop().runUntil([&] { return fired == 3; }, 10));
    mainLoop().runForTimeInterval(0.1);
    EXPECT_EQ(fired, 3);
}

// Catches a loop that wakes after its end, as on a busy machine, and returns without running the
// timers that fell due before that end: an animation due to finish within the run never does.
TEST(RunLoop, TimersDueBeforeTheEndRunWhenTheLoopWakesLate)
{
    bool fired = false;
    bool late = false;
    mainLoop().addTimer(0.05, false, [&] { fired = true; });
    mainLoop().addTimer(0.5, false, [&] { late = true; });
    // A block that holds the loop past its end, as a process kept off the processor would.
    mainLoop().performBlock([] { std::this_thread::sleep_for(std::chrono::milliseconds(200)); });
    mainLoop().runForTimeInterval(0.1);
    EXPECT_TRUE(fired);
    EXPECT_FALSE(late) << "only what fell due before the end";
    mainLoop().runUntil([&] { return late; }, 5);
}

TEST(RunLoop, ThrowingBlockIsContainedAndLaterBlocksStillRun)
{
    // Catches an exception unwinding out of the loop into the host, or stopping the queue.
    bool after = false;
    dispatch_async(dispatch_get_main_queue(), [] { throw std::runtime_error("deliberate"); });
    dispatch_async(dispatch_get_main_queue(), [] { throw 42; });
    dispatch_async(dispatch_get_main_queue(), [&] { after = true; });
    EXPECT_NO_THROW(EXPECT_TRUE(mainLoop().runUntil([&] { return after; }, 10)));
}

TEST(RunLoop, OnlyTheMainThreadRunsTheLoopAndOnlyTheMainQueueExists)
{
    // Catches a loop that runs callbacks on another thread, a missing queue that crashes, or a
    // sleep that returns at once (seconds truncated to whole numbers).
    bool ran = false;
    dispatch_async(nullptr, [&] { ran = true; });
    std::thread other([&] {
        EXPECT_FALSE(NSThread::isMainThread());
        EXPECT_FALSE(NSRunLoop::mainRunLoop()->runUntil([&] { return ran; }, 0.2));
    });
    other.join();
    EXPECT_TRUE(NSThread::isMainThread());
    auto start = Clock::now();
    NSThread::sleepForTimeInterval(0.12);
    EXPECT_GE(secondsSince(start), 0.12);
    mainLoop().runForTimeInterval(0.05);
    EXPECT_FALSE(ran);
}
