// GIF decoding speed: every frame decoded and composited by the image source, beside giflib's
// whole-file decoding plus a plain RGBA compositor of the same frames, on the phone-sized 60-frame
// picture, an optimised 120-frame picture of small rectangles, and the shipped pictures. Also the
// cost of reading every frame backwards beside forwards, and of the lazy scan beside reading the
// file. The ratios come last, from the runs of this process.
#include "imageio/GiflibReference.hpp"

#include <bench/RatioReporter.hpp>
#include <foundation/NSData.hpp>
#include <imageio/CGImageSource.hpp>
#include <tools/gifgen/GifGenerator.hpp>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

using Files = std::vector<std::shared_ptr<NSData>>;

const Files& fullScreenGif()
{
    static Files files { std::make_shared<NSData>(gifgen::largeBenchmarkGif()) };
    return files;
}

const Files& optimisedGif()
{
    static Files files { std::make_shared<NSData>(gifgen::optimisedBenchmarkGif(120)) };
    return files;
}

const Files& shippedPictures()
{
    static Files files = [] {
        Files pictures;
        for (size_t index = 0; index < gifgen::shippedPictureNames().size(); ++index)
            pictures.push_back(std::make_shared<NSData>(gifgen::shippedPicture(index)));
        return pictures;
    }();
    return files;
}

const std::filesystem::path largeGifPath = std::filesystem::temp_directory_path() / ("bench-imageio-" + std::to_string(::getpid()) + ".gif");

const std::filesystem::path& largeGifFile()
{
    static bool isWritten = [] {
        std::string error;
        return FileIO::writeFileAtomically(largeGifPath, fullScreenGif()[0]->span(), error);
    }();
    (void)isWritten;
    return largeGifPath;
}

void readFrames(const NSData& data, bool isBackwards)
{
    auto source = CGImageSourceCreateWithData(&data, nullptr);
    size_t count = CGImageSourceGetCount(source);
    for (size_t step = 0; step < count; ++step) {
        auto image = CGImageSourceCreateImageAtIndex(source, isBackwards ? count - 1 - step : step, nullptr);
        auto pixels = CGImageGetPixels(image);
        benchmark::DoNotOptimize(pixels->bytes.data());
        CGImageRelease(image);
    }
    CFRelease(source);
}

void DecodeEveryFrame(benchmark::State& state, const Files& (*files)())
{
    for (auto _ : state) {
        for (const auto& file : files())
            readFrames(*file, false);
    }
}

void DecodeEveryFrameBackwards(benchmark::State& state, const Files& (*files)())
{
    for (auto _ : state) {
        for (const auto& file : files())
            readFrames(*file, true);
    }
}

// The same on one source kept from iteration to iteration: what reading costs once the
// decoder's canvases exist, without their first allocation.
void readFramesAgain(benchmark::State& state, const Files& (*files)(), bool isBackwards)
{
    auto source = CGImageSourceCreateWithData(files()[0].get(), nullptr);
    size_t count = CGImageSourceGetCount(source);
    for (auto _ : state) {
        for (size_t step = 0; step < count; ++step) {
            auto image = CGImageSourceCreateImageAtIndex(source, isBackwards ? count - 1 - step : step, nullptr);
            benchmark::DoNotOptimize(CGImageGetPixels(image)->bytes.data());
            CGImageRelease(image);
        }
    }
    CFRelease(source);
}

void DecodeEveryFrameAgain(benchmark::State& state, const Files& (*files)()) { readFramesAgain(state, files, false); }
void DecodeEveryFrameBackwardsAgain(benchmark::State& state, const Files& (*files)()) { readFramesAgain(state, files, true); }

// giflib's whole-file decoding into colour indices, then each frame drawn onto one canvas.
void GiflibSlurpAndComposite(benchmark::State& state, const Files& (*files)())
{
    for (auto _ : state) {
        for (const auto& file : files()) {
            bool isRead = GiflibReference::compositeFrames(file->span(), [](const GiflibReference::Canvas& canvas) { benchmark::DoNotOptimize(canvas.rgba.data()); });
            if (!isRead)
                state.SkipWithError("giflib can't read the file");
        }
    }
}

BENCHMARK_CAPTURE(DecodeEveryFrame, FullScreen, fullScreenGif)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(GiflibSlurpAndComposite, FullScreen, fullScreenGif)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(DecodeEveryFrameBackwards, FullScreen, fullScreenGif)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(DecodeEveryFrame, Optimised, optimisedGif)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(GiflibSlurpAndComposite, Optimised, optimisedGif)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(DecodeEveryFrameBackwards, Optimised, optimisedGif)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(DecodeEveryFrameAgain, FullScreen, fullScreenGif)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(DecodeEveryFrameBackwardsAgain, FullScreen, fullScreenGif)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(DecodeEveryFrameAgain, Optimised, optimisedGif)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(DecodeEveryFrameBackwardsAgain, Optimised, optimisedGif)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(DecodeEveryFrame, Shipped, shippedPictures)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(GiflibSlurpAndComposite, Shipped, shippedPictures)->Unit(benchmark::kMillisecond)->MinTime(3);

// What a caller does before it draws anything: source, count, properties and frame handles.
void ScanSourceAndFrames(benchmark::State& state)
{
    auto& data = fullScreenGif()[0];
    for (auto _ : state) {
        auto source = CGImageSourceCreateWithData(data.get(), nullptr);
        for (size_t index = 0; index < CGImageSourceGetCount(source); ++index) {
            CFRelease(CGImageSourceCopyPropertiesAtIndex(source, index, nullptr));
            CGImageRelease(CGImageSourceCreateImageAtIndex(source, index, nullptr));
        }
        CFRelease(source);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data->length()));
}
BENCHMARK(ScanSourceAndFrames)->Unit(benchmark::kMicrosecond);

void ReadFileIntoMemory(benchmark::State& state)
{
    auto& path = largeGifFile();
    for (auto _ : state) {
        auto bytes = FileIO::readFile(path);
        benchmark::DoNotOptimize(bytes->data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fullScreenGif()[0]->length()));
}
BENCHMARK(ReadFileIntoMemory)->Unit(benchmark::kMicrosecond);

// Both sides of each ratio decode on one thread.
void printRatios(const RatioReporter& reporter)
{
    std::printf("\nRatios of processor time (higher is better for speed-ups, lower for costs):\n");
    for (const char* picture : { "FullScreen", "Optimised", "Shipped" }) {
        std::string name = picture;
        reporter.ratio("  speed-up over giflib + plain compositor, " + name, "GiflibSlurpAndComposite/" + name, "DecodeEveryFrame/" + name);
    }
    for (const char* picture : { "FullScreen", "Optimised" }) {
        std::string name = picture;
        reporter.ratio("  backwards / forwards, new source, " + name, "DecodeEveryFrameBackwards/" + name, "DecodeEveryFrame/" + name);
        reporter.ratio("  backwards / forwards, same source again, " + name, "DecodeEveryFrameBackwardsAgain/" + name, "DecodeEveryFrameAgain/" + name);
    }
    reporter.ratio("  scan / plain file read", "ScanSourceAndFrames", "ReadFileIntoMemory");
}

}

int main(int argc, char** argv)
{
    int status = runBenchmarksWithRatios(argc, argv, printRatios);
    std::error_code ignored;
    std::filesystem::remove(largeGifPath, ignored);
    return status;
}
