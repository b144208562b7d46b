#include <imageio/PixelBuffer.hpp>

#include <atomic>
#include <new>

namespace PixelBuffer {

namespace {

std::atomic<long> s_liveCount { 0 };
std::atomic<long> s_decodedFrames { 0 };

struct CountedPixels final : RGBAPixels {
    CountedPixels() { s_liveCount.fetch_add(1, std::memory_order_relaxed); }
    CountedPixels(const CountedPixels&) = delete;
    CountedPixels& operator=(const CountedPixels&) = delete;
    ~CountedPixels() { s_liveCount.fetch_sub(1, std::memory_order_relaxed); }
};

}

std::shared_ptr<RGBAPixels> create(size_t width, size_t height)
{
    try {
        auto pixels = std::make_shared<CountedPixels>();
        pixels->width = width;
        pixels->height = height;
        pixels->bytes.resize(width * height * 4);
        return pixels;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::shared_ptr<RGBAPixels> copy(const RGBAPixels& source)
{
    try {
        auto pixels = std::make_shared<CountedPixels>();
        pixels->width = source.width;
        pixels->height = source.height;
        pixels->bytes = source.bytes;
        return pixels;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

long liveCount() { return s_liveCount.load(std::memory_order_relaxed); }

void noteFrameDecoded() { s_decodedFrames.fetch_add(1, std::memory_order_relaxed); }
long decodedFrameCount() { return s_decodedFrames.load(std::memory_order_relaxed); }

}
