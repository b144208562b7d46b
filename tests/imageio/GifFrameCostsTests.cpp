// What a GIF's frames say they cost to make: the pixels the decoder composites on the way, playing
// forward from the last frame made, or restarting at the nearest frame that needs none before it.
#include "imageio/TestImages.hpp"

#include <foundation/NSData.hpp>
#include <imageio/CGImageSource.hpp>

#include <gtest/gtest.h>

namespace {

using namespace TestImages;

// 20 x 10: a whole first frame (200 pixels), two small ones (25, 8), a whole opaque one that
// hides everything before it (200), and a small one after it (9).
std::vector<uint8_t> fiveFrames()
{
    Gif gif { 20, 10, { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 }, { 250, 250, 10 } }, {}, false };
    gif.frames = { solidFrame(0, 0, 20, 10, 0), solidFrame(0, 0, 5, 5, 1), solidFrame(2, 2, 4, 2, 2), solidFrame(0, 0, 20, 10, 1), solidFrame(1, 1, 3, 3, 2) };
    for (auto& frame : gif.frames)
        frame.control = GifControl { 1, frame.width == 20 ? -1 : 3, 10 };
    return encodeGif(gif);
}

}

// Catches costs that ignore how the decoder reaches a frame: forward from the last one made, back
// by restarting, and never through frames an opaque whole frame hides.
TEST(GifFrameCosts, CountThePixelsTheDecoderComposites)
{
    auto data = NSData::dataWithBytes(fiveFrames());
    CGImageSourceRef source = CGImageSourceCreateWithData(data.get(), nullptr);
    ASSERT_EQ(CGImageSourceGetCount(source), 5u);
    std::vector<CGImageRef> frames;
    for (size_t index = 0; index < 5; ++index)
        frames.push_back(CGImageSourceCreateImageAtIndex(source, index, nullptr));
    const CGImageFrameSequence* sequence = frames[0]->frameSequence();
    ASSERT_NE(sequence, nullptr);
    for (size_t index = 0; index < 5; ++index) {
        EXPECT_EQ(frames[index]->frameSequence(), sequence);
        EXPECT_EQ(frames[index]->frameIndex(), index);
    }
    EXPECT_EQ(sequence->pixelsToMake(std::nullopt, 2), 233u);
    EXPECT_EQ(sequence->pixelsToMake(1, 2), 8u);
    EXPECT_EQ(sequence->pixelsToMake(2, 1), 225u) << "going back restarts at the first frame";
    EXPECT_EQ(sequence->pixelsToMake(std::nullopt, 4), 209u);
    EXPECT_EQ(sequence->pixelsToMake(1, 4), 209u) << "the opaque frame is nearer than the last one made";
    EXPECT_EQ(sequence->pixelsToMake(3, 4), 9u);
    EXPECT_EQ(sequence->pixelsToMake(4, 4), 0u);
    EXPECT_EQ(sequence->pixelsToMake(std::nullopt, 5), 0u) << "no such frame";
    for (CGImageRef frame : frames)
        CGImageRelease(frame);
    CFRelease(source);
}
