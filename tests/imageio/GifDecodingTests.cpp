// GIF decoding against hostile files, its bounds, and its canvas cache.
#include "imageio/TestImages.hpp"

#include <imageio/CGImageSource.hpp>
#include <imageio/CGImageSourceTesting.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using namespace TestImages;

const std::vector<RGB> fourColors { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 }, { 250, 250, 10 } };

Gif animation(uint16_t width, uint16_t height, size_t frameCount)
{
    Gif gif { width, height, fourColors, {} };
    for (size_t index = 0; index < frameCount; ++index) {
        auto frame = patternFrame(static_cast<uint16_t>(index % 3), 0, static_cast<uint16_t>(width - 2), height, static_cast<unsigned>(index), 4);
        frame.control = GifControl { static_cast<int>(index % 4), static_cast<int>(index % 5), 5 };
        gif.frames.push_back(frame);
    }
    return gif;
}

uint8_t alphaAt(const RGBAPixels& pixels, size_t x, size_t y) { return pixels.bytes[(y * pixels.width + x) * 4 + 3]; }

// Where the LZW data of the only frame starts: after the code size byte of a file without extensions.
size_t firstFrameDataOffset(const std::vector<uint8_t>& file)
{
    size_t table = (file[10] & 0x80) ? size_t { 3 } << ((file[10] & 7) + 1) : 0;
    size_t descriptor = 13 + table;
    EXPECT_EQ(file[descriptor], 0x2C);
    return descriptor + 10 + 1;
}

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
    Gif gif { 64, 64, fourColors, { solidFrame(0, 0, 64, 64, 1) } };
    auto file = encodeGif(gif);
    size_t data = firstFrameDataOffset(file);
    // Garbage from the middle of the data on, sub-block lengths included.
    for (size_t i = file.size() / 2; i + 1 < file.size(); ++i)
        file[i] = static_cast<uint8_t>(0xFF - i * 37);
    auto frames = decodeFrames(file);
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_TRUE(frames[0]);
    EXPECT_GT(file.size() / 2, data);
    EXPECT_EQ(alphaAt(*frames[0], 0, 0), 255);
    EXPECT_EQ(frames[0]->bytes[1], 255); // green
}

// Catches colour indices beyond the table read out of bounds or drawn with garbage colours.
TEST(GifDecoding, IndicesOutsideTheColourTableAreTransparent)
{
    Gif gif { 4, 1, { { 9, 9, 9 }, { 8, 8, 8 } }, {} };
    gif.frames.push_back(patternFrame(0, 0, 4, 1, 0, 4));
    auto frames = decodeFrames(encodeGif(gif));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(alphaAt(*frames[0], 0, 0), 255);
    EXPECT_EQ(alphaAt(*frames[0], 1, 0), 255);
    EXPECT_EQ(alphaAt(*frames[0], 2, 0), 0);
    EXPECT_EQ(alphaAt(*frames[0], 3, 0), 0);
}

// Catches a frame with no colour table at all dereferencing a missing table.
TEST(GifDecoding, FrameWithoutAnyColourTableIsTransparent)
{
    Gif gif { 5, 5, fourColors, { patternFrame(0, 0, 5, 5, 0, 4) } };
    gif.stripGlobalColors = true;
    auto frames = decodeFrames(encodeGif(gif));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(std::all_of(frames[0]->bytes.begin(), frames[0]->bytes.end(), [](uint8_t byte) { return byte == 0; }));
}

// Catches the canvas starting from the background colour: browsers and the platform start from
// transparency, whatever the first frame holds (ImageMagick differs here when it has no
// transparent index).
TEST(GifDecoding, CanvasStartsTransparentAroundTheFirstFrame)
{
    Gif gif { 4, 2, fourColors, { solidFrame(1, 0, 2, 1, 1) } };
    auto file = encodeGif(gif);
    file[11] = 2; // background colour index
    auto frames = decodeFrames(file);
    ASSERT_EQ(frames.size(), 1u);
    for (size_t y = 0; y < 2; ++y) {
        for (size_t x = 0; x < 4; ++x)
            EXPECT_EQ(alphaAt(*frames[0], x, y), y == 0 && (x == 1 || x == 2) ? 255 : 0) << x << "," << y;
    }
}

// Catches frame rectangles reaching past the canvas writing out of bounds or wrapping to the next row.
TEST(GifDecoding, FrameRectanglesAreClippedToTheCanvas)
{
    Gif gif { 8, 6, fourColors, {} };
    gif.frames.push_back(solidFrame(5, 4, 300, 200, 2));
    gif.frames.push_back(solidFrame(100, 100, 4, 4, 1));
    auto frames = decodeFrames(encodeGif(gif));
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
        Gif gif { width, height, fourColors, { solidFrame(0, 0, 2, 2, 1) } };
        return Source(encodeGif(gif)).source != nullptr;
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
    Source source(encodeGif(gif));
    EXPECT_EQ(CGImageSourceGetCount(source.source), ImageIOLimits::maxFrames);
}

// Catches the cache handing out the wrong canvas when frames are asked for out of order.
TEST(GifDecoding, AnyOrderGivesTheSameFramesAsPlayingInOrder)
{
    auto file = encodeGif(animation(10, 7, 9));
    auto inOrder = decodeFrames(file);
    ASSERT_EQ(inOrder.size(), 9u);
    std::vector<size_t> order;
    for (size_t round = 0; round < 4; ++round) {
        for (size_t index = 0; index < 9; ++index)
            order.push_back(index);
    }
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    Source source(file);
    std::shared_ptr<const RGBAPixels> held;
    for (size_t step = 0; step < order.size(); ++step) {
        auto pixels = source.pixels(order[step]);
        ASSERT_TRUE(pixels);
        EXPECT_EQ(pixels->bytes, inOrder[order[step]]->bytes) << "frame " << order[step];
        // Keep every third canvas a while, so both the shared and the in-place paths run.
        if (step % 3 == 0)
            held = pixels;
    }
}

// Catches a canvas changing under its holder when the decoder moves on to the next frame.
TEST(GifDecoding, HeldCanvasesNeverChange)
{
    auto file = encodeGif(animation(10, 7, 5));
    auto expected = decodeFrames(file);
    Source source(file);
    auto first = source.pixels(0);
    auto copy = first->bytes;
    for (size_t index = 1; index < 5; ++index)
        source.pixels(index);
    EXPECT_EQ(first->bytes, copy);
    EXPECT_EQ(first->bytes, expected[0]->bytes);
}

// Catches a cache that grows with the animation: playing in a loop must hold a canvas or two.
TEST(GifDecoding, LoopedPlaybackHoldsFewCanvases)
{
    long liveBefore = CGImageSourceGetLiveCanvasCount();
    Source source(encodeGif(animation(16, 16, 24)));
    long mostLive = 0;
    for (size_t loop = 0; loop < 3; ++loop) {
        for (size_t index = 0; index < 24; ++index) {
            auto pixels = source.pixels(index);
            ASSERT_TRUE(pixels);
            mostLive = std::max(mostLive, CGImageSourceGetLiveCanvasCount() - liveBefore);
        }
    }
    EXPECT_LE(mostLive, 2);
}
