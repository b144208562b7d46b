#include "GifReader.hpp"

#include <tools/gifgen/GifGenerator.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using gifgen::Frame;
using gifgen::testing::readGif;

namespace {

constexpr size_t width = 24;
constexpr size_t height = 12;

struct Color {
    uint8_t r, g, b, a;
};

Frame filled(Color color, uint16_t delay)
{
    Frame frame { {}, delay };
    for (size_t i = 0; i < width * height; ++i)
        frame.rgba.insert(frame.rgba.end(), { color.r, color.g, color.b, color.a });
    return frame;
}

void paintSquare(Frame& frame, size_t left, size_t top, size_t side, Color color)
{
    for (size_t y = top; y < top + side; ++y) {
        for (size_t x = left; x < left + side; ++x) {
            uint8_t* pixel = &frame.rgba[(y * width + x) * 4];
            pixel[0] = color.r, pixel[1] = color.g, pixel[2] = color.b, pixel[3] = color.a;
        }
    }
}

// A dark background with a square that moves, then stays put: whole, partial and unchanged frames.
std::vector<Frame> movingSquare()
{
    std::vector<Frame> frames;
    for (size_t i = 0; i < 4; ++i) {
        frames.push_back(filled({ 10, 20, 60, 255 }, static_cast<uint16_t>(3 + 4 * i)));
        paintSquare(frames.back(), std::min<size_t>(2 + 5 * i, 12), 3, 6, { 250, 200, 30, 255 });
    }
    return frames;
}

bool isClose(const uint8_t* decoded, const uint8_t* original)
{
    for (int channel = 0; channel < 4; ++channel) {
        if (std::abs(decoded[channel] - original[channel]) > 12)
            return false;
    }
    return true;
}

}

// Catches frames that lose their own delay, or a GIF that plays once instead of looping.
TEST(GifEncoder, KeepsSizeFrameCountDelaysAndEndlessLoop)
{
    auto gif = readGif(gifgen::encodeGif(width, height, movingSquare()));
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->width, width);
    EXPECT_EQ(gif->height, height);
    ASSERT_EQ(gif->frames.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(gif->frames[i].delay, 3 + 4 * i) << "frame " << i;
    EXPECT_EQ(gif->loopCount, 0);
}

// Catches pixels lost by storing only the changes: every frame must show what was painted.
TEST(GifEncoder, EveryFrameShowsItsPixelsAfterCompositing)
{
    auto frames = movingSquare();
    auto gif = readGif(gifgen::encodeGif(width, height, frames));
    ASSERT_TRUE(gif);
    ASSERT_EQ(gif->frames.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        auto picture = gif->composite(i);
        for (size_t pixel = 0; pixel < width * height; ++pixel)
            ASSERT_TRUE(isClose(&picture[pixel * 4], &frames[i].rgba[pixel * 4])) << "frame " << i << " pixel " << pixel;
    }
}

// Catches a see-through index that lies outside the colour table the file declares, which strict
// decoders reject; it depends on how the colour count meets a power of two.
TEST(GifEncoder, TransparentIndexLiesInsideTheColorTable)
{
    std::vector<Frame> frames;
    for (int i = 0; i < 3; ++i) {
        frames.push_back({ {}, 5 });
        for (size_t pixel = 0; pixel < width * height; ++pixel) {
            auto shade = static_cast<uint8_t>((pixel * 7 + static_cast<size_t>(i) * 40) % 256);
            frames.back().rgba.insert(frames.back().rgba.end(), { shade, static_cast<uint8_t>(255 - shade), 90, 255 });
        }
    }
    for (int colors : { 2, 4, 16, 64, 128, 255, 256 }) {
        auto gif = readGif(gifgen::encodeGif(width, height, frames, { colors, 0 }));
        ASSERT_TRUE(gif) << colors << " colours";
        EXPECT_LE(gif->colorCount, 256u);
        for (auto& frame : gif->frames) {
            if (frame.transparentIndex) {
                EXPECT_LT(*frame.transparentIndex, gif->colorCount) << colors << " colours";
            }
            for (auto index : frame.indices)
                ASSERT_LT(index, gif->colorCount) << colors << " colours";
        }
    }
}

// Catches transparent input painted as some opaque colour.
TEST(GifEncoder, ClearPixelsComeOutTransparent)
{
    auto frame = filled({ 0, 0, 0, 0 }, 10);
    paintSquare(frame, 4, 2, 5, { 40, 220, 120, 255 });
    auto gif = readGif(gifgen::encodeGif(width, height, { frame }));
    ASSERT_TRUE(gif);
    ASSERT_EQ(gif->frames.size(), 1u);
    auto picture = gif->composite(0);
    EXPECT_EQ(picture[3], 0) << "corner stays clear";
    EXPECT_TRUE(isClose(&picture[(3 * width + 5) * 4], &frame.rgba[(3 * width + 5) * 4]));
}

// Catches malformed requests reaching the encoder instead of being refused.
TEST(GifEncoder, RefusesSizesAndBuffersThatDoNotMatch)
{
    auto frame = filled({ 1, 2, 3, 255 }, 5);
    EXPECT_TRUE(gifgen::encodeGif(0, height, { frame }).empty());
    EXPECT_TRUE(gifgen::encodeGif(width, 0, { frame }).empty());
    EXPECT_TRUE(gifgen::encodeGif(width, height, {}).empty());
    EXPECT_TRUE(gifgen::encodeGif(width + 1, height, { frame }).empty());
    EXPECT_TRUE(gifgen::encodeGif(70000, 1, { Frame { std::vector<uint8_t>(70000 * 4), 5 } }).empty());
    auto shortFrame = frame;
    shortFrame.rgba.pop_back();
    EXPECT_TRUE(gifgen::encodeGif(width, height, { frame, shortFrame }).empty());
}

// Catches output that changes from run to run (thread timing, unseeded state in the quantiser).
TEST(GifEncoder, SameFramesGiveSameBytes)
{
    auto frames = movingSquare();
    EXPECT_EQ(gifgen::encodeGif(width, height, frames), gifgen::encodeGif(width, height, frames));
}
