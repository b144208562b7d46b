#include <imageio/GifStructure.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

void appendFrame(std::vector<uint8_t>& gif, const std::vector<uint8_t>& blockLengths)
{
    gif.insert(gif.end(), { 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2 });
    for (uint8_t length : blockLengths) {
        gif.push_back(length);
        gif.insert(gif.end(), length, 0x55);
    }
    gif.push_back(0);
}

}

// Catches a walk over runs of full sub-blocks that jumps past a short block, a terminator or the
// end of the file: the frames and where their data ends must be those of a block-by-block walk.
TEST(GifStructure, RunsOfFullSubBlocksEndWhereTheBlocksSay)
{
    std::vector<uint8_t> gif { 'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255 };
    std::vector<uint8_t> first(21, 255);
    first.push_back(7);
    first.insert(first.end(), 9, 255);
    first.push_back(255);
    size_t firstFrame = gif.size();
    appendFrame(gif, first);
    size_t secondFrame = gif.size();
    appendFrame(gif, std::vector<uint8_t>(17, 255));
    size_t trailer = gif.size();
    gif.push_back(0x3B);

    auto whole = scanGifStructure(gif);
    ASSERT_TRUE(whole);
    ASSERT_EQ(whole->frames.size(), 2u);
    EXPECT_EQ(whole->frames[0].descriptorOffset, firstFrame);
    EXPECT_EQ(whole->frames[1].descriptorOffset, secondFrame);
    EXPECT_TRUE(whole->frames[0].isDataComplete && whole->frames[1].isDataComplete);

    // Cut anywhere inside the frames' data: the cut frame is kept as cut, and nothing after it.
    for (size_t cut = firstFrame + 12; cut < trailer; ++cut) {
        std::vector<uint8_t> head(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(cut));
        auto structure = scanGifStructure(head);
        ASSERT_TRUE(structure) << cut;
        // A frame counts once its descriptor and code size are there: 11 bytes.
        size_t expectedFrames = cut < secondFrame + 11 ? 1 : 2;
        ASSERT_EQ(structure->frames.size(), expectedFrames) << cut;
        EXPECT_EQ(structure->frames[0].isDataComplete, cut >= secondFrame) << cut;
        if (expectedFrames == 2)
            EXPECT_FALSE(structure->frames[1].isDataComplete) << cut;
    }
}
