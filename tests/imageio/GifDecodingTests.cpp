// GIF decoding against hostile files, its bounds, and its canvas cache.
#include "imageio/TestImages.hpp"

#include <imageio/CGImageSource.hpp>
#include <imageio/CGImageSourceTesting.hpp>
#include <tools/gifgen/GifBuilder.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

using namespace TestImages;

const std::vector<RGB> fourColors { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 }, { 250, 250, 10 } };

Gif animation(uint16_t width, uint16_t height, size_t frameCount)
{
    Gif gif { width, height, fourColors, {} };
    for (size_t index = 0; index < frameCount; ++index) {
        gif.frames.push_back(patternFrame(static_cast<uint16_t>(index % 3), 0, static_cast<uint16_t>(width - 2), height, static_cast<unsigned>(index), 4));
        gif.frames.back().control = GifControl { static_cast<int>(index % 4), static_cast<int>(index % 5), 5 };
    }
    return gif;
}

uint8_t alphaAt(const RGBAPixels& pixels, size_t x, size_t y) { return pixels.bytes[(y * pixels.width + x) * 4 + 3]; }

struct Source {
    explicit Source(const std::vector<uint8_t>& bytes)
        : data(std::make_shared<NSData>(bytes))
        , source(CGImageSourceCreateWithData(data.get(), nullptr))
    {
    }
    ~Source()
    {
        if (source)
            CFRelease(source);
    }
    std::shared_ptr<const RGBAPixels> pixels(size_t index) const
    {
        auto image = CGImageSourceCreateImageAtIndex(source, index, nullptr);
        auto pixels = CGImageGetPixels(image);
        CGImageRelease(image);
        return pixels;
    }
    std::shared_ptr<NSData> data;
    CGImageSourceRef source;
};

}

// Catches reads past the end, hangs or crashes on a file cut anywhere, and frames lost before the cut.
TEST(GifDecoding, EveryTruncationGivesTheFramesBeforeTheCut)
{
    auto file = encodeGif(animation(12, 9, 4));
    size_t previousCount = 0;
    for (size_t length = 0; length <= file.size(); ++length) {
        auto frames = decodeFrames(std::vector<uint8_t>(file.begin(), file.begin() + static_cast<long>(length)));
        EXPECT_GE(frames.size(), previousCount) << "length " << length;
        previousCount = frames.size();
        for (const auto& pixels : frames)
            EXPECT_TRUE(pixels && pixels->bytes.size() == 12u * 9 * 4) << "length " << length;
    }
    EXPECT_EQ(previousCount, 4u);
}

// Catches corrupt compressed data crashing, or wiping the rows that decoded before it.
TEST(GifDecoding, CorruptDataKeepsTheRowsBeforeIt)
{
    auto file = encodeGif({ 64, 64, fourColors, { patternFrame(0, 0, 64, 64, 0, 4) } });
    auto intact = decodeFrames(file);
    // Garbage over the last third of the data, sub-block lengths included.
    for (size_t i = file.size() * 2 / 3; i + 1 < file.size(); ++i)
        file[i] = static_cast<uint8_t>(0xFF - i * 37);
    auto frames = decodeFrames(file);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_TRUE(frames[0]);
    EXPECT_TRUE(std::equal(intact[0]->bytes.begin(), intact[0]->bytes.begin() + 64 * 4 * 8, frames[0]->bytes.begin()));
}

// Catches colour indices beyond the table, or a frame with no table at all, reading out of
// bounds or drawing garbage colours.
TEST(GifDecoding, IndicesWithoutAColourAreTransparent)
{
    auto frames = decodeFrames(encodeGif({ 4, 1, { { 9, 9, 9 }, { 8, 8, 8 } }, { patternFrame(0, 0, 4, 1, 0, 4) } }));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(alphaAt(*frames[0], 1, 0), 255);
    EXPECT_EQ(alphaAt(*frames[0], 2, 0), 0);
    EXPECT_EQ(alphaAt(*frames[0], 3, 0), 0);

    Gif withoutTables { 5, 5, fourColors, { patternFrame(0, 0, 5, 5, 0, 4) } };
    withoutTables.stripGlobalColors = true;
    frames = decodeFrames(encodeGif(withoutTables));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(std::all_of(frames[0]->bytes.begin(), frames[0]->bytes.end(), [](uint8_t byte) { return byte == 0; }));
}

// Catches frame rectangles past the canvas writing out of bounds or wrapping to the next row,
// and the canvas starting from the background colour instead of transparency (browsers and the
// platform start transparent; ImageMagick doesn't when the first frame has no transparent index).
TEST(GifDecoding, FramesAreClippedOntoATransparentCanvas)
{
    Gif gif { 8, 6, fourColors, { solidFrame(5, 4, 300, 200, 2), solidFrame(100, 100, 4, 4, 1) } };
    auto file = encodeGif(gif);
    file[11] = 1; // background colour index
    auto frames = decodeFrames(file);
    ASSERT_EQ(frames.size(), 2u);
    for (size_t y = 0; y < 6; ++y) {
        for (size_t x = 0; x < 8; ++x)
            EXPECT_EQ(alphaAt(*frames[0], x, y), x >= 5 && y >= 4 ? 255 : 0) << x << "," << y;
    }
    EXPECT_EQ(frames[1]->bytes, frames[0]->bytes);
}

// Catches the pixel budget refusing a phone-sized canvas, or accepting one that is too large.
TEST(GifDecoding, CanvasesAboveThePixelBudgetGiveNoSource)
{
    auto sourceFor = [](uint16_t width, uint16_t height) {
        return Source(encodeGif({ width, height, fourColors, { solidFrame(0, 0, 2, 2, 1) } })).source != nullptr;
    };
    EXPECT_TRUE(sourceFor(1170, 2532));
    EXPECT_TRUE(sourceFor(4096, 4096));
    EXPECT_FALSE(sourceFor(4097, 4096));
    EXPECT_FALSE(sourceFor(65535, 65535));
    EXPECT_FALSE(sourceFor(0, 10));
}

// Catches an unbounded frame list from a file of many tiny frames.
TEST(GifDecoding, FrameCountIsBounded)
{
    Gif gif { 1, 1, fourColors, {} };
    gif.frames.assign(ImageIOLimits::maxFrames + 5, solidFrame(0, 0, 1, 1, 0));
    EXPECT_EQ(CGImageSourceGetCount(Source(encodeGif(gif)).source), ImageIOLimits::maxFrames);
}

// Catches the cache handing out the wrong canvas when frames are asked for out of order, and a
// canvas changing under its holder when the decoder draws the next frame in place.
TEST(GifDecoding, AnyOrderGivesTheFramesOfPlayingInOrder)
{
    auto file = encodeGif(animation(10, 7, 9));
    auto inOrder = decodeFrames(file);
    ASSERT_EQ(inOrder.size(), 9u);
    std::vector<size_t> order;
    for (size_t step = 0; step < 36; ++step)
        order.push_back(step % 9);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    Source source(file);
    std::shared_ptr<const RGBAPixels> held;
    size_t heldIndex = 0;
    for (size_t step = 0; step < order.size(); ++step) {
        auto pixels = source.pixels(order[step]);
        ASSERT_TRUE(pixels);
        EXPECT_EQ(pixels->bytes, inOrder[order[step]]->bytes) << "frame " << order[step];
        if (held) {
            EXPECT_EQ(held->bytes, inOrder[heldIndex]->bytes) << "held frame " << heldIndex;
        }
        if (step % 3 == 0)
            std::tie(held, heldIndex) = std::pair { pixels, order[step] };
    }
}

// Catches a cache that grows with the animation: playing in a loop must hold a canvas or two.
TEST(GifDecoding, LoopedPlaybackHoldsFewCanvases)
{
    long liveBefore = CGImageSourceGetLiveCanvasCount();
    Source source(encodeGif(animation(16, 16, 24)));
    long mostLive = 0;
    for (size_t step = 0; step < 3 * 24; ++step) {
        auto pixels = source.pixels(step % 24);
        ASSERT_TRUE(pixels);
        mostLive = std::max(mostLive, CGImageSourceGetLiveCanvasCount() - liveBefore);
    }
    EXPECT_LE(mostLive, 2);
}

namespace {

// 120 frames of small moving rectangles with transparency and every disposal over a first
// frame that fills the canvas: each frame depends on all before it.
std::vector<uint8_t> smallRectangleAnimation(size_t frameCount)
{
    std::vector<gifgen::Rgb8> colors;
    for (size_t index = 0; index < 64; ++index)
        colors.push_back({ static_cast<uint8_t>(index * 4), static_cast<uint8_t>(255 - index * 4), static_cast<uint8_t>(index * 9) });
    gifgen::GifBuilder gif(160, 240, colors);
    std::vector<uint16_t> background(160 * 240);
    for (size_t i = 0; i < background.size(); ++i)
        background[i] = static_cast<uint16_t>(i / 160 % 60);
    gif.control(1).image({ 0, 0, 160, 240, false, {} }, background, 6);
    for (size_t frame = 1; frame < frameCount; ++frame) {
        std::vector<uint16_t> pixels(24 * 20);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<uint16_t>((i + frame) % 7 == 0 ? 63 : (i / 24 + frame) % 60);
        auto left = static_cast<uint16_t>(frame * 7 % 136), top = static_cast<uint16_t>(frame * 3 % 220);
        gif.control(static_cast<unsigned>(frame % 8), 63).image({ left, top, 24, 20, frame % 5 == 0, {} }, pixels, 6);
    }
    return gif.finish();
}

// Composites drawn and the most canvases alive while reading every frame in the given order,
// each checked against the frames of playing in order.
std::pair<long, long> readFrames(const std::vector<uint8_t>& file, const std::vector<std::shared_ptr<const RGBAPixels>>& inOrder, const std::vector<size_t>& order)
{
    long decodedBefore = CGImageSourceGetDecodedFrameCount();
    long liveBefore = CGImageSourceGetLiveCanvasCount();
    long mostLive = 0;
    Source source(file);
    for (size_t index : order) {
        auto pixels = source.pixels(index);
        EXPECT_TRUE(pixels && pixels->bytes == inOrder[index]->bytes) << "frame " << index;
        mostLive = std::max(mostLive, CGImageSourceGetLiveCanvasCount() - liveBefore);
    }
    return { CGImageSourceGetDecodedFrameCount() - decodedBefore, mostLive };
}

}

// Catches random access restarting from the first frame: reading every frame backwards must
// draw at most three times the frames of reading them forwards, within four live canvases.
TEST(GifDecoding, ReadingBackwardsCostsAtMostThriceReadingForwards)
{
    auto file = smallRectangleAnimation(120);
    auto inOrder = decodeFrames(file);
    ASSERT_EQ(inOrder.size(), 120u);
    std::vector<size_t> forwards(120), backwards(120);
    for (size_t index = 0; index < 120; ++index)
        forwards[index] = index, backwards[index] = 119 - index;
    auto [forwardDraws, forwardLive] = readFrames(file, inOrder, forwards);
    auto [backwardDraws, backwardLive] = readFrames(file, inOrder, backwards);
    EXPECT_EQ(forwardDraws, 120);
    EXPECT_LE(backwardDraws, 3 * forwardDraws);
    EXPECT_LE(backwardLive, 4);
    std::printf("forwards %ld draws, backwards %ld draws, %ld canvases at most\n", forwardDraws, backwardDraws, backwardLive);
}

// Catches frames that hide everything under them being drawn from the first frame on: read
// backwards, each is drawn once.
TEST(GifDecoding, OpaqueWholeFramesAreDrawnOnTheirOwn)
{
    Gif gif { 16, 12, fourColors, {} };
    for (unsigned index = 0; index < 30; ++index)
        gif.frames.push_back(patternFrame(0, 0, 16, 12, index, 4));
    auto file = encodeGif(gif);
    auto inOrder = decodeFrames(file);
    std::vector<size_t> backwards(30);
    for (size_t index = 0; index < 30; ++index)
        backwards[index] = 29 - index;
    EXPECT_EQ(readFrames(file, inOrder, backwards).first, 30);
}

// Catches an extension whose first sub-block is empty being read past its terminator, as giflib
// does: the frame after it would be taken for extension data. It carries no control, and the
// frame after it is drawn opaquely.
TEST(GifDecoding, AnEmptyExtensionEndsAtItsTerminator)
{
    const std::vector<uint8_t> bytes {
        'G', 'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0x80, 0, 0, 255, 0, 0, 0, 255, 0,
        0x21, 0xF9, 0x00, // a graphic control extension with no data at all
        0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0, 2, 2, 0x44, 0x0A, 0, // indices 0 and 1
        0x3B
    };
    Source file(bytes);
    ASSERT_NE(file.source, nullptr);
    ASSERT_EQ(CGImageSourceGetCount(file.source), 1u);
    auto pixels = file.pixels(0);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->bytes, (std::vector<uint8_t> { 255, 0, 0, 255, 0, 255, 0, 255 }));
}
