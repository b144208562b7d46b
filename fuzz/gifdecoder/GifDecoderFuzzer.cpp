// Hostile bytes through the GIF decoder: the scan in pieces as a file read would give them, every
// frame in order, then frames asked for in an order drawn from the input (backwards first), each
// of which must equal the same frame played in order.
#include <imageio/CGImageSource.hpp>
#include <imageio/CGImageSourceTesting.hpp>
#include <imageio/GifStructure.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <random>
#include <span>
#include <string_view>
#include <vector>

namespace {

uint64_t fingerprint(const RGBAPixels& pixels)
{
    return std::hash<std::string_view> {}({ reinterpret_cast<const char*>(pixels.bytes.data()), pixels.bytes.size() });
}

// The frame's fingerprint; aborts on pixels of the wrong size. 0 when there are none.
uint64_t frameFingerprint(CGImageSourceRef source, size_t index)
{
    auto image = CGImageSourceCreateImageAtIndex(source, index, nullptr);
    if (!image)
        std::abort();
    auto pixels = CGImageGetPixels(image);
    uint64_t result = 0;
    if (pixels) {
        if (pixels->bytes.size() != CGImageGetWidth(image) * CGImageGetHeight(image) * 4)
            std::abort();
        result = fingerprint(*pixels);
    }
    CGImageRelease(image);
    return result;
}

// The scan done as the bytes arrive, in pieces whose size comes from the input, must find the
// frames the scan of the whole file finds.
void checkScanInPieces(std::span<const uint8_t> file)
{
    auto whole = scanGifStructure(file);
    size_t piece = 1 + (file.empty() ? 0 : file.back() % 97) * (file.size() > 4096 ? 61 : 1);
    GifStructureScanner scanner;
    for (size_t end = piece; end < file.size(); end += piece)
        scanner.advance(file.first(end));
    auto inPieces = scanner.finish(file);
    if (whole.has_value() != inPieces.has_value())
        std::abort();
    if (!whole)
        return;
    if (whole->frames.size() != inPieces->frames.size())
        std::abort();
    for (size_t index = 0; index < whole->frames.size(); ++index) {
        const auto& a = whole->frames[index];
        const auto& b = inPieces->frames[index];
        if (a.descriptorOffset != b.descriptorOffset || a.isDataComplete != b.isDataComplete || a.delayHundredths != b.delayHundredths
            || a.disposal != b.disposal || a.transparentIndex != b.transparentIndex || a.hasControl != b.hasControl)
            std::abort();
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    checkScanInPieces({ bytes, size });
    auto data = NSData::dataWithBytes({ bytes, size });
    auto source = CGImageSourceCreateWithData(data.get(), nullptr);
    if (!source)
        return 0;
    size_t count = CGImageSourceGetCount(source);
    if (count == 0 || count > ImageIOLimits::maxFrames)
        std::abort();
    std::vector<uint64_t> inOrder(count);
    for (size_t index = 0; index < count; ++index) {
        inOrder[index] = frameFingerprint(source, index);
        (void)CGImageSourceCheckFrame(source, index);
    }
    std::vector<size_t> backwards;
    for (size_t index = count; index-- > 0 && backwards.size() < 64;)
        backwards.push_back(index);
    std::vector<size_t> shuffled;
    std::minstd_rand random(static_cast<unsigned>(size * 31 + (size ? bytes[size / 2] : 0)));
    for (size_t step = 0; step < std::min<size_t>(2 * count, 64); ++step)
        shuffled.push_back(random() % count);
    // The decoder that played in order goes back; a fresh one starts anywhere.
    auto fresh = CGImageSourceCreateWithData(data.get(), nullptr);
    for (auto [from, order] : { std::pair { source, &backwards }, { source, &shuffled }, { fresh, &shuffled }, { fresh, &backwards } }) {
        for (size_t index : *order) {
            if (frameFingerprint(from, index) != inOrder[index])
                std::abort();
        }
    }
    CFRelease(fresh);
    CFRelease(source);
    return 0;
}
