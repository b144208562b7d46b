#include "GifReader.hpp"

#include <tools/gifgen/GifGenerator.hpp>

#include <gtest/gtest.h>

#include <set>

// Catches a benchmark picture of the wrong size or length, or one so flat that LZW has nothing to do.
TEST(BenchmarkGif, IsAFullSizeRichAnimation)
{
    auto gif = gifgen::testing::readGif(gifgen::largeBenchmarkGif());
    ASSERT_TRUE(gif);
    EXPECT_EQ(gif->width, gifgen::benchmarkGifWidth);
    EXPECT_EQ(gif->height, gifgen::benchmarkGifHeight);
    ASSERT_EQ(gif->frames.size(), gifgen::benchmarkGifFrameCount);
    EXPECT_EQ(gif->loopCount, 0);
    for (auto& frame : gif->frames) {
        ASSERT_EQ(frame.width * frame.height, gif->width * gif->height);
        EXPECT_GT(frame.delay, 0);
    }
    std::set<uint8_t> colors(gif->frames[0].indices.begin(), gif->frames[0].indices.end());
    EXPECT_GT(colors.size(), 100u);
    EXPECT_NE(gif->frames[0].indices, gif->frames[30].indices);
}

// Catches benchmark input that differs between runs, which would make timings incomparable.
TEST(BenchmarkGif, SameBytesOnEveryCall)
{
    EXPECT_EQ(gifgen::largeBenchmarkGif(), gifgen::largeBenchmarkGif());
}
