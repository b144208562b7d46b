#include <imageio/PixelBuffer.hpp>

#include <atomic>
#include <new>
#include <sys/mman.h>

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

// A canvas is megabytes that are all written at once: asking for large pages before the first
// write turns thousands of page faults into a few, which is most of what a new canvas costs.
void reserveCanvas(std::vector<uint8_t>& bytes, size_t size)
{
    bytes.reserve(size);
    constexpr uintptr_t largePage = uintptr_t { 2 } << 20;
    auto start = (reinterpret_cast<uintptr_t>(bytes.data()) + largePage - 1) & ~(largePage - 1);
    auto end = (reinterpret_cast<uintptr_t>(bytes.data()) + size) & ~(largePage - 1);
    // Only a hint: where the system has no large pages, small ones do the same work.
    if (start < end)
        ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

}

std::shared_ptr<RGBAPixels> create(size_t width, size_t height)
{
    try {
        auto pixels = std::make_shared<CountedPixels>();
        pixels->width = width;
        pixels->height = height;
        reserveCanvas(pixels->bytes, width * height * 4);
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
        reserveCanvas(pixels->bytes, source.bytes.size());
        pixels->bytes.assign(source.bytes.begin(), source.bytes.end());
        return pixels;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

long liveCount() { return s_liveCount.load(std::memory_order_relaxed); }

void noteFrameDecoded() { s_decodedFrames.fetch_add(1, std::memory_order_relaxed); }
long decodedFrameCount() { return s_decodedFrames.load(std::memory_order_relaxed); }

}
