// What drawing an animated picture costs the thread that draws, for full-screen phone pictures
// (1170 x 2532: 60 whole frames of a photo-like scene; 250 flat frames at 50 a second, each drawn
// over the ones before) and for a costly one (4096 x 4096, 1000 flat frames at 50 a second). A
// screenshot one second after the picture is set; one second of play drawn at 30 frames a second as
// a recording does, and the frames of that second alone, chosen and decoded but not drawn on
// screen; beside them, what making the exact frame of that first second costs without a bound on
// the work. The ratios come last, from the runs of this process.
#include <tweak/gif/UIImage+animatedGIF.hpp>

#include <bench/RatioReporter.hpp>
#include <foundation/NSData.hpp>
#include <render/Renderer.hpp>
#include <tools/gifgen/GifGenerator.hpp>
#include <uikit/UIImage.hpp>
#include <uikit/UIImageView.hpp>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

const std::shared_ptr<NSData>& phoneGif()
{
    static auto bytes = std::make_shared<NSData>(gifgen::largeBenchmarkGif());
    return bytes;
}

const std::shared_ptr<NSData>& phoneFlatGif()
{
    static auto bytes = std::make_shared<NSData>(gifgen::flatFramesGif(1170, 2532, 250, 2));
    return bytes;
}

const std::shared_ptr<NSData>& costlyGif()
{
    static auto bytes = std::make_shared<NSData>(gifgen::costlyBenchmarkGif());
    return bytes;
}

// A picture as the overlay has it: decoded afresh, nothing of it drawn yet.
std::shared_ptr<UIImageView> freshView(const NSData& gif)
{
    auto view = UIImageView::initWithFrame(CGRectMake(0, 0, 390, 844));
    view->setImage(animatedGIF::animatedImageWithAnimatedGIFData(&gif));
    return view;
}

void ScreenshotAfterOneSecond(benchmark::State& state, const std::shared_ptr<NSData>& (*gif)())
{
    for (auto _ : state) {
        state.PauseTiming();
        auto view = freshView(*gif());
        state.ResumeTiming();
        benchmark::DoNotOptimize(Render::renderView(*view, Render::RenderOptions { 1.0, 3.0, true }));
    }
}

void SecondOfPlay(benchmark::State& state, const std::shared_ptr<NSData>& (*gif)())
{
    for (auto _ : state) {
        state.PauseTiming();
        auto view = freshView(*gif());
        state.ResumeTiming();
        for (int frame = 0; frame < 30; ++frame)
            benchmark::DoNotOptimize(Render::renderView(*view, Render::RenderOptions { frame / 30.0, 1.0, true }));
    }
}

// The same second's frames as the draws choose and decode them, without drawing them on screen.
void SecondOfFrames(benchmark::State& state, const std::shared_ptr<NSData>& (*gif)())
{
    for (auto _ : state) {
        state.PauseTiming();
        auto view = freshView(*gif());
        state.ResumeTiming();
        for (int frame = 0; frame < 30; ++frame) {
            if (auto shown = view->imageToDraw(frame / 30.0))
                benchmark::DoNotOptimize(CGImageGetPixels(shown->CGImage()));
        }
    }
}

// The frame the clock asks for one second in, made whatever it costs.
void ExactFrameAfterOneSecond(benchmark::State& state, const std::shared_ptr<NSData>& (*gif)())
{
    for (auto _ : state) {
        state.PauseTiming();
        auto view = freshView(*gif());
        state.ResumeTiming();
        benchmark::DoNotOptimize(CGImageGetPixels(view->image()->imageAtTime(1.0)->CGImage()));
    }
}

BENCHMARK_CAPTURE(ScreenshotAfterOneSecond, Phone, phoneGif)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(ScreenshotAfterOneSecond, PhoneFlat, phoneFlatGif)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(ScreenshotAfterOneSecond, Costly, costlyGif)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(SecondOfPlay, Phone, phoneGif)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(SecondOfPlay, PhoneFlat, phoneFlatGif)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(SecondOfPlay, Costly, costlyGif)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(SecondOfFrames, Phone, phoneGif)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(SecondOfFrames, PhoneFlat, phoneFlatGif)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(SecondOfFrames, Costly, costlyGif)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(ExactFrameAfterOneSecond, Phone, phoneGif)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(ExactFrameAfterOneSecond, PhoneFlat, phoneFlatGif)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(ExactFrameAfterOneSecond, Costly, costlyGif)->Unit(benchmark::kMillisecond)->Iterations(1);

void printRatios(const RatioReporter& reporter)
{
    for (const char* phone : { "Phone", "PhoneFlat" }) {
        std::printf("\nRatios of processor time, costly picture / %s picture:\n", phone);
        for (const char* run : { "ScreenshotAfterOneSecond", "SecondOfPlay", "SecondOfFrames", "ExactFrameAfterOneSecond" }) {
            std::string name = run;
            reporter.ratio("  " + name, name + "/Costly", name + "/" + phone);
        }
    }
    std::printf("Ratios of processor time, bounded screenshot (the frame drawn included) / exact frame made without a bound:\n");
    for (const char* picture : { "Phone", "PhoneFlat", "Costly" }) {
        std::string name = picture;
        reporter.ratio("  " + name, "ScreenshotAfterOneSecond/" + name, "ExactFrameAfterOneSecond/" + name);
    }
}

}

int main(int argc, char** argv)
{
    return runBenchmarksWithRatios(argc, argv, printRatios);
}
