// One placement of a flames view, from the host's call to its return, beside reading the picture's
// file into memory: the placement must not decode pixels, so it costs about as much as the read.
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

#include <cstdlib>
#include <filesystem>

namespace {

class BenchmarkDevice {
public:
    static BenchmarkDevice& shared()
    {
        static auto* device = new BenchmarkDevice;
        return *device;
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
        DeviceRoot::set(pattern);
        std::string error;
        if (!sim::installDevice(error))
            std::abort();
        NSData(gifgen::largeBenchmarkGif()).writeToFile(zova::customPicturePath, NSDataWritingAtomic, nullptr);
        m_host = std::make_unique<sim::AssistantHost>(sim::FlamesClass::Registered);
    }

    std::unique_ptr<sim::AssistantHost> m_host;
};

// Pictures by choice: 0 to 4 are the shipped ones, 5 the large custom GIF (1170 x 2532, 60 frames).
std::string pathOf(int64_t picture)
{
    return std::string(zova::pictureForChoice(picture)->path);
}

void BM_Placement(benchmark::State& state)
{
    auto& device = BenchmarkDevice::shared();
    int64_t picture = state.range(0);
    device.choose(picture);
    SEL didMoveToSuperview = sel_registerName("didMoveToSuperview");
    for (auto _ : state) {
        state.PauseTiming();
        auto flamesView = SUICFlamesView::initWithFrame(UIScreen::mainScreen()->bounds());
        state.ResumeTiming();
        objc_msgSend(flamesView.get(), didMoveToSuperview);
        state.PauseTiming();
        flamesView.reset();
        state.ResumeTiming();
    }
    state.SetLabel(pathOf(picture));
}

void BM_ReadFile(benchmark::State& state)
{
    BenchmarkDevice::shared();
    std::string path = pathOf(state.range(0));
    size_t bytes = 0;
    for (auto _ : state) {
        auto data = NSData::dataWithContentsOfFile(path);
        bytes = data->length();
        benchmark::DoNotOptimize(data);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.SetLabel(path);
}

BENCHMARK(BM_Placement)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadFile)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

}

BENCHMARK_MAIN();
