// GIF decoding speed on a phone-sized 60-frame animation: composited canvases per second beside
// giflib's own decoding of the same file, and the cost of the lazy scan beside reading the file.
#include <foundation/NSData.hpp>
#include <imageio/CGImageSource.hpp>
#include <tools/gifgen/GifGenerator.hpp>

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

const std::shared_ptr<NSData>& largeGif()
{
    static auto data = std::make_shared<NSData>(gifgen::largeBenchmarkGif());
    return data;
}

const std::filesystem::path largeGifPath = std::filesystem::temp_directory_path() / ("bench-imageio-" + std::to_string(::getpid()) + ".gif");

const std::filesystem::path& largeGifFile()
{
    static bool isWritten = [] {
        std::string error;
        return FileIO::writeFileAtomically(largeGifPath, largeGif()->span(), error);
    }();
    (void)isWritten;
    return largeGifPath;
}

int64_t canvasBytesPerFile()
{
    return static_cast<int64_t>(gifgen::benchmarkGifWidth * gifgen::benchmarkGifHeight * 4 * gifgen::benchmarkGifFrameCount);
}

void DecodeEveryFrame(benchmark::State& state)
{
    auto& data = largeGif();
    for (auto _ : state) {
        auto source = CGImageSourceCreateWithData(data.get(), nullptr);
        for (size_t index = 0; index < CGImageSourceGetCount(source); ++index) {
            auto image = CGImageSourceCreateImageAtIndex(source, index, nullptr);
            auto pixels = CGImageGetPixels(image);
            benchmark::DoNotOptimize(pixels->bytes.data());
            CGImageRelease(image);
        }
        CFRelease(source);
    }
    state.SetBytesProcessed(state.iterations() * canvasBytesPerFile());
}
BENCHMARK(DecodeEveryFrame)->Unit(benchmark::kMillisecond)->MinTime(5);

struct MemoryReader {
    std::span<const uint8_t> bytes;
    size_t position { 0 };
};

int readMemory(GifFileType* gif, GifByteType* out, int length)
{
    auto& reader = *static_cast<MemoryReader*>(gif->UserData);
    size_t count = std::min(static_cast<size_t>(length), reader.bytes.size() - reader.position);
    std::memcpy(out, reader.bytes.data() + reader.position, count);
    reader.position += count;
    return static_cast<int>(count);
}

// giflib's whole-file decoding into colour indices, without compositing: the yardstick.
void GiflibSlurp(benchmark::State& state)
{
    auto& data = largeGif();
    for (auto _ : state) {
        MemoryReader reader { data->span() };
        int error = 0;
        GifFileType* gif = DGifOpen(&reader, readMemory, &error);
        if (!gif || DGifSlurp(gif) != GIF_OK)
            state.SkipWithError("giflib can't read the file");
        benchmark::DoNotOptimize(gif);
        DGifCloseFile(gif, &error);
    }
    state.SetBytesProcessed(state.iterations() * canvasBytesPerFile());
}
BENCHMARK(GiflibSlurp)->Unit(benchmark::kMillisecond)->MinTime(5);

// What a caller does before it draws anything: source, count, properties and frame handles.
void ScanSourceAndFrames(benchmark::State& state)
{
    auto& data = largeGif();
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
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(largeGif()->length()));
}
BENCHMARK(ReadFileIntoMemory)->Unit(benchmark::kMicrosecond);

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove(largeGifPath, ignored);
    return 0;
}
