// One placement of a flames view, from the host's call to its return, against a plain read of the
// picture's file in the same run (open, fstat, one read into a buffer of the file's size, free):
// the placement must not decode pixels, so it should cost little more than that read. Each
// iteration times both, one after the other, and reports their ratio. Times are the thread's CPU
// time (the kernel's share included): on a machine shared with other work, wall time measures the
// neighbours.
#include <AssistantHost.hpp>
#include <DeviceLayout.hpp>
#include <SUICFlamesView.hpp>

#include <cephei/HBPreferences.hpp>
#include <foundation/DeviceRoot.hpp>
#include <foundation/NSData.hpp>
#include <foundation/NSRunLoop.hpp>
#include <tools/gifgen/GifGenerator.hpp>
#include <tweak/ZovaSettings.hpp>
#include <uikit/UIScreen.hpp>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The calling thread's CPU time, user and kernel.
struct Clock {
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<Clock, duration>;
    static time_point now()
    {
        timespec time {};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
        return time_point(std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec));
    }
};

class BenchmarkDevice {
public:
    static BenchmarkDevice& shared()
    {
        if (!s_device)
            s_device = new BenchmarkDevice;
        return *s_device;
    }
    // A run leaves nothing behind. The host itself stays: it lives as long as the process.
    static void removeFiles()
    {
        if (!s_device)
            return;
        std::error_code ignored;
        std::filesystem::remove_all(s_device->m_root, ignored);
    }

    void choose(int64_t picture)
    {
        auto store = HBPreferences::initWithIdentifier(zova::preferencesIdentifier);
        store->setInteger(picture, zova::siripicKey);
        NSRunLoop::mainRunLoop()->runForTimeInterval(0.05);
    }

private:
    BenchmarkDevice()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zova-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        m_root = pattern;
        DeviceRoot::set(m_root);
        std::string error;
        if (!sim::installDevice(error))
            std::abort();
        NSData(gifgen::largeBenchmarkGif()).writeToFile(zova::customPicturePath, NSDataWritingAtomic, nullptr);
        m_host = std::make_unique<sim::AssistantHost>(sim::FlamesClass::Registered);
    }

    static inline BenchmarkDevice* s_device { nullptr };
    std::filesystem::path m_root;
    std::unique_ptr<sim::AssistantHost> m_host;
};

// Pictures by choice: 0 to 4 are the shipped ones, 5 the large custom GIF (1170 x 2532, 60 frames).
std::string pathOf(int64_t picture)
{
    return std::string(zova::pictureForChoice(picture)->path);
}

// The yardstick: what reading the file costs at the least.
size_t plainRead(const std::filesystem::path& hostPath)
{
    int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status;
    if (fd < 0 || ::fstat(fd, &status) != 0)
        std::abort();
    auto size = static_cast<size_t>(status.st_size);
    auto* buffer = static_cast<uint8_t*>(std::malloc(size));
    size_t done = 0;
    while (done < size) {
        ssize_t count = ::read(fd, buffer + done, size - done);
        if (count <= 0)
            std::abort();
        done += static_cast<size_t>(count);
    }
    benchmark::DoNotOptimize(buffer);
    std::free(buffer);
    ::close(fd);
    return size;
}

double seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

void reportAgainstRead(benchmark::State& state, double measured, double read, const std::string& path)
{
    auto iterations = static_cast<double>(state.iterations());
    state.counters["read_us"] = read / iterations * 1e6;
    state.counters["measured_us"] = measured / iterations * 1e6;
    state.counters["ratio"] = measured / read;
    state.SetLabel(path);
}

// A whole placement: the host's didMoveToSuperview with the overlay's views and the picture's
// source, including the release of the previous placement's picture.
void BM_PlacementAgainstRead(benchmark::State& state)
{
    auto& device = BenchmarkDevice::shared();
    int64_t picture = state.range(0);
    device.choose(picture);
    std::string path = pathOf(picture);
    auto hostPath = *DeviceRoot::resolve(path);
    SEL didMoveToSuperview = sel_registerName("didMoveToSuperview");
    // A host without the tweak would time the host's own empty method.
    auto probe = SUICFlamesView::initWithFrame(UIScreen::mainScreen()->bounds());
    objc_msgSend(probe.get(), didMoveToSuperview);
    if (probe->subviews().size() < 2) {
        state.SkipWithError("the tweak is not loaded in the benchmark's host");
        return;
    }
    double placement = 0;
    double read = 0;
    for (auto _ : state) {
        auto flamesView = SUICFlamesView::initWithFrame(UIScreen::mainScreen()->bounds());
        auto start = Clock::now();
        objc_msgSend(flamesView.get(), didMoveToSuperview);
        auto placed = Clock::now();
        plainRead(hostPath);
        auto readDone = Clock::now();
        placement += seconds(placed - start);
        read += seconds(readDone - placed);
        state.SetIterationTime(seconds(placed - start));
        flamesView.reset();
    }
    reportAgainstRead(state, placement, read, path);
}

// The stand-in's file read alone (NSData), against the plain read.
void BM_ReadAgainstRead(benchmark::State& state)
{
    BenchmarkDevice::shared();
    std::string path = pathOf(state.range(0));
    auto hostPath = *DeviceRoot::resolve(path);
    double measured = 0;
    double read = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        auto data = NSData::dataWithContentsOfFile(path);
        if (!data)
            std::abort();
        benchmark::DoNotOptimize(data->bytes());
        data.reset();
        auto readByNSData = Clock::now();
        plainRead(hostPath);
        auto readDone = Clock::now();
        measured += seconds(readByNSData - start);
        read += seconds(readDone - readByNSData);
        state.SetIterationTime(seconds(readByNSData - start));
    }
    reportAgainstRead(state, measured, read, path);
}

BENCHMARK(BM_PlacementAgainstRead)->DenseRange(0, 5)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadAgainstRead)->DenseRange(0, 5)->UseManualTime()->Unit(benchmark::kMicrosecond);

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    BenchmarkDevice::removeFiles();
    return 0;
}
