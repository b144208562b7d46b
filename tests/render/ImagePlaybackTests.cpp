// Image views drawn through the image source's own decoding at chosen instants: the decoding
// budgets must leave a picture within them showing exactly the clock's frame.
#include "RenderTestSupport.hpp"

#include <foundation/NSData.hpp>
#include <imageio/CGImageSource.hpp>
#include <render/Renderer.hpp>
#include <tools/gifgen/GifGenerator.hpp>
#include <uikit/UIImageView.hpp>

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

constexpr size_t frameCount = 120;

// A full-screen phone picture at 50 frames a second, each whole frame drawn over the last: the
// costliest kind within the budgets (148 M pixels a second).
std::shared_ptr<UIImage> phonePicture()
{
    auto data = NSData::dataWithBytes(gifgen::flatFramesGif(1170, 2532, frameCount, 2));
    CGImageSourceRef source = CGImageSourceCreateWithData(data.get(), nullptr);
    UIImage::Images frames;
    for (size_t index = 0; index < CGImageSourceGetCount(source); ++index) {
        CGImageRef frame = CGImageSourceCreateImageAtIndex(source, index, nullptr);
        frames.push_back(UIImage::imageWithCGImage(frame));
        CGImageRelease(frame);
    }
    CFRelease(source);
    return UIImage::animatedImageWithImages(std::move(frames), frameCount * 0.02);
}

// The frame of the picture a drawing of the view shows, by its colour (neighbouring frames' shades
// lie far apart, but other frames' may be close); -1 for none.
int shownFrame(const UIView& view, double seconds)
{
    auto pixels = Render::renderView(view, Render::RenderOptions { seconds, 1.0, false });
    if (!pixels)
        return -1;
    Pixel pixel = pixelAt(*pixels, 10, 10);
    for (size_t frame = 0; frame < frameCount; ++frame) {
        int shade = gifgen::flatFrameShade(frame);
        if (pixel == Pixel { shade, 255 - shade, 128, 255 })
            return static_cast<int>(frame);
    }
    return -1;
}

}

// Catches budgets that hold back a picture within them: steady play at 30 draws a second, and a
// fresh view's first draw a second in, each show the clock's own frame.
TEST(ImagePlayback, PhonePictureShowsTheClocksFrameAtChosenInstants)
{
    auto picture = phonePicture();
    ASSERT_TRUE(picture);
    auto view = UIImageView::initWithFrame(CGRectMake(0, 0, 39, 84));
    view->setImage(picture);
    for (int draw = 0; draw < 60; ++draw) {
        double t = draw / 30.0;
        ASSERT_EQ(shownFrame(*view, t), static_cast<int>(picture->entryIndexAtTime(t))) << t;
    }
    auto fresh = UIImageView::initWithFrame(CGRectMake(0, 0, 39, 84));
    fresh->setImage(picture);
    EXPECT_EQ(shownFrame(*fresh, 1.01), 50);
}
