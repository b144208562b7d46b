#include <tools/gifgen/GifBuilder.hpp>
#include <tools/gifgen/GifGenerator.hpp>

namespace gifgen {

namespace {

// Every frame draws the same index; the local table gives each its own colour.
constexpr uint16_t drawnIndex = 1;
// A transparent index the data could reach keeps a frame from hiding the ones before it, so that
// making frame N means drawing every frame before it.
constexpr int transparentIndex = 3;

}

uint8_t flatFrameShade(size_t frame)
{
    return static_cast<uint8_t>(frame * 37 % 256);
}

std::vector<uint8_t> flatFramesGif(uint16_t width, uint16_t height, size_t frameCount, uint16_t delayHundredths)
{
    std::vector<uint16_t> pixels(size_t { width } * height, drawnIndex);
    // One colour compresses to about 9 KB a frame, so the frames share one copy of their data.
    LzwOptions options;
    options.deferredClear = true;
    auto data = subBlocks(packCodes(lzwCodes(pixels, 2, options), 2));
    pixels = {};
    GifBuilder builder(width, height, {});
    builder.loop();
    for (size_t index = 0; index < frameCount; ++index) {
        auto shade = flatFrameShade(index);
        ImageBlock block { 0, 0, width, height, false, { { 0, 0, 0 }, { shade, static_cast<uint8_t>(255 - shade), 128 }, { 0, 0, 0 }, { 0, 0, 0 } } };
        builder.control(1, transparentIndex, delayHundredths).rawImage(block, 2, data);
    }
    return builder.finish();
}

std::vector<uint8_t> costlyBenchmarkGif(size_t frameCount, uint16_t delayHundredths)
{
    return flatFramesGif(costlyGifSide, costlyGifSide, frameCount, delayHundredths);
}

}
