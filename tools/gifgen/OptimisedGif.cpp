#include <tools/gifgen/GifBuilder.hpp>
#include <tools/gifgen/GifGenerator.hpp>

#include <cmath>
#include <numbers>

namespace gifgen {

namespace {

constexpr uint16_t canvasWidth = 1170;
constexpr uint16_t canvasHeight = 2532;
constexpr uint16_t transparent = 255;
// Disposals in turn, the undefined values included.
constexpr unsigned disposals[] = { 0, 1, 2, 3, 4, 1, 5, 3, 0, 2, 6, 7 };

std::vector<Rgb8> rampPalette(unsigned shift)
{
    std::vector<Rgb8> colors;
    for (unsigned index = 0; index < 256; ++index) {
        unsigned value = index + shift;
        colors.push_back({ static_cast<uint8_t>(value * 3), static_cast<uint8_t>(value * 7 + 40), static_cast<uint8_t>(255 - value) });
    }
    return colors;
}

uint32_t noise(uint32_t x, uint32_t y, uint32_t seed)
{
    uint32_t value = x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ seed * 0xC2B2AE3Du;
    value ^= value >> 15;
    value *= 0x2C1B3C6Du;
    return value ^ (value >> 12);
}

// Soft bands with a little grain: compresses as a quantised photo does, not as flat colour.
std::vector<uint16_t> background()
{
    std::vector<uint16_t> pixels(size_t { canvasWidth } * canvasHeight);
    for (uint32_t y = 0; y < canvasHeight; ++y) {
        for (uint32_t x = 0; x < canvasWidth; ++x)
            pixels[y * canvasWidth + x] = static_cast<uint16_t>((y / 9 + x / 37 + (noise(x, y, 1) & 1)) % 250);
    }
    return pixels;
}

// A round sprite with see-through corners, rings that move with the frame, and grain.
std::vector<uint16_t> sprite(uint16_t width, uint16_t height, uint32_t frame)
{
    std::vector<uint16_t> pixels(size_t { width } * height);
    double radius = std::min(width, height) / 2.0;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            double dx = x - width / 2.0, dy = y - height / 2.0;
            double distance = std::sqrt(dx * dx + dy * dy);
            uint16_t index = transparent;
            if (distance < radius)
                index = static_cast<uint16_t>((static_cast<uint32_t>(distance / 5) + frame * 3 + (noise(x, y, frame) % 3)) % 250);
            pixels[y * width + x] = index;
        }
    }
    return pixels;
}

}

std::vector<uint8_t> optimisedBenchmarkGif(size_t frames)
{
    GifBuilder builder(canvasWidth, canvasHeight, rampPalette(0));
    builder.loop().control(1, -1, 4);
    builder.image({ 0, 0, canvasWidth, canvasHeight, false, {} }, background());
    for (size_t frame = 1; frame < frames; ++frame) {
        double t = static_cast<double>(frame) / static_cast<double>(frames);
        auto width = static_cast<uint16_t>(270 + 90 * std::sin(2 * std::numbers::pi * 3 * t));
        auto height = static_cast<uint16_t>(270 + 90 * std::cos(2 * std::numbers::pi * 2 * t));
        auto left = static_cast<uint16_t>((canvasWidth - width) * (0.5 + 0.45 * std::sin(2 * std::numbers::pi * 2 * t)));
        auto top = static_cast<uint16_t>((canvasHeight - height) * (0.5 + 0.45 * std::sin(2 * std::numbers::pi * t)));
        ImageBlock block { left, top, width, height, frame % 7 == 3, {} };
        // Now and then a frame brings its own colours.
        if (frame % 10 == 5)
            block.localColors = rampPalette(static_cast<unsigned>(frame));
        builder.control(disposals[frame % std::size(disposals)], transparent, 4);
        builder.image(block, sprite(width, height, static_cast<uint32_t>(frame)));
    }
    return builder.finish();
}

}
