// Composited GIF frames compared with giflib's decoding and a plain compositor, on every kind of
// file giflib reads rightly: code sizes 2 to 8, full tables, interlacing, clipping, local tables,
// disposals 0 to 3, the shipped pictures and the benchmark pictures.
#include "imageio/GiflibReference.hpp"
#include "imageio/TestImages.hpp"

#include <imageio/CGImageSource.hpp>
#include <tools/gifgen/GifBuilder.hpp>
#include <tools/gifgen/GifGenerator.hpp>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using gifgen::GifBuilder;
using gifgen::Rgb8;

std::vector<Rgb8> palette(size_t count)
{
    std::vector<Rgb8> colors;
    for (size_t index = 0; index < count; ++index)
        colors.push_back({ static_cast<uint8_t>(index * 5), static_cast<uint8_t>(index * 11), static_cast<uint8_t>(index * 17) });
    return colors;
}

std::vector<uint16_t> pattern(size_t width, size_t height, unsigned modulo, unsigned seed)
{
    std::vector<uint16_t> pixels(width * height);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint16_t>((i * i / 5 + i / width + seed) % modulo);
    return pixels;
}

// Frame by frame through the image source and through giflib; no frame kept longer than needed.
void expectSameAsGiflib(const std::vector<uint8_t>& file)
{
    auto data = std::make_shared<NSData>(file);
    auto source = CGImageSourceCreateWithData(data.get(), nullptr);
    ASSERT_TRUE(source);
    size_t index = 0;
    bool isRead = GiflibReference::compositeFrames(file, [&](const GiflibReference::Canvas& reference) {
        auto image = CGImageSourceCreateImageAtIndex(source, index, nullptr);
        auto pixels = CGImageGetPixels(image);
        CGImageRelease(image);
        ASSERT_TRUE(pixels) << "frame " << index;
        EXPECT_TRUE(pixels->bytes == reference.rgba) << "frame " << index;
        ++index;
    });
    EXPECT_TRUE(isRead);
    EXPECT_EQ(index, CGImageSourceGetCount(source));
    CFRelease(source);
}

}

// Catches LZW decoding differing from giflib at any code size it reads, with and without
// clear codes, and with a table that fills and goes on.
TEST(GifDifferential, CodeSizesAndFullTables)
{
    for (unsigned codeSize = 2; codeSize <= 8; ++codeSize) {
        for (gifgen::LzwOptions options : { gifgen::LzwOptions { false, 0 }, gifgen::LzwOptions { false, 3 }, gifgen::LzwOptions { true, 0 } }) {
            GifBuilder gif(120, 90, palette(size_t { 1 } << codeSize));
            gif.image({ 0, 0, 120, 90, false, {} }, pattern(120, 90, 1u << codeSize, codeSize), codeSize, options);
            SCOPED_TRACE(testing::Message() << "code size " << codeSize << ", deferred " << options.deferredClear);
            expectSameAsGiflib(gif.finish());
        }
    }
}

// Catches compositing differing from giflib's frames drawn plainly: transparency, disposals,
// local tables, interlacing and clipping together, over many frames.
TEST(GifDifferential, AnimationsWithEveryFeature)
{
    GifBuilder gif(40, 30, palette(16));
    gif.loop();
    for (unsigned frame = 0; frame < 24; ++frame) {
        auto width = static_cast<uint16_t>(7 + frame % 5 * 6);
        auto height = static_cast<uint16_t>(5 + frame % 4 * 7);
        gifgen::ImageBlock block { static_cast<uint16_t>(frame * 3 % 37), static_cast<uint16_t>(frame * 5 % 29), width, height, frame % 3 == 1, {} };
        if (frame % 4 == 2)
            block.localColors = palette(32);
        if (frame % 6 != 5)
            gif.control(frame % 4, frame % 2 ? static_cast<int>(frame % 16) : -1, 3);
        gif.image(block, pattern(width, height, frame % 4 == 2 ? 32 : 16, frame), frame % 4 == 2 ? 5 : 4);
    }
    expectSameAsGiflib(gif.finish());
}

// Catches the pictures the settings bundle ships decoding differently from giflib.
TEST(GifDifferential, ShippedPictures)
{
    size_t pictures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ZOVA_RESOURCES_DIR)) {
        if (entry.path().extension() != ".gif")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<uint8_t> file { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
        SCOPED_TRACE(entry.path().filename().string());
        expectSameAsGiflib(file);
        ++pictures;
    }
    EXPECT_EQ(pictures, 5u);
}

// Catches the optimised benchmark picture (small rectangles, transparency, every disposal giflib
// draws) decoding differently from giflib.
TEST(GifDifferential, OptimisedBenchmarkPicture)
{
    expectSameAsGiflib(gifgen::optimisedBenchmarkGif(24));
}
