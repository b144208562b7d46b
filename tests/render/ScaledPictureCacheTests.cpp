// The live phone's pictures scaled once to the page: the averaging, the budget, and the renderer
// drawing from them.
#include "RenderTestSupport.hpp"

#include <PictureTiming.hpp>
#include <ScaledPictureCache.hpp>

#include <render/Renderer.hpp>

#include <uikit/UIImageView.hpp>

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

RGBAPixels pixelsOf(size_t width, size_t height, const std::vector<Pixel>& pattern)
{
    RGBAPixels pixels { width, height, {} };
    for (size_t i = 0; i < width * height; ++i) {
        const Pixel& p = pattern[i % pattern.size()];
        pixels.bytes.insert(pixels.bytes.end(), { static_cast<uint8_t>(p.red), static_cast<uint8_t>(p.green), static_cast<uint8_t>(p.blue),
            static_cast<uint8_t>(p.alpha) });
    }
    return pixels;
}

// A lazily decoded picture that counts its decodes.
CGImageRef countingImage(size_t width, size_t height, Pixel colour, int& decodes)
{
    auto pixels = std::make_shared<const RGBAPixels>(pixelsOf(width, height, { colour }));
    return CGImageCreateLazy(width, height, [pixels, &decodes] {
        ++decodes;
        return pixels;
    });
}

}

// Rounded shares that don't add up to a whole would tint a flat picture at an uneven scale.
TEST(ScaledPictureCache, FlatColourStaysExactAtAnyRatio)
{
    auto scaled = sim::scalePixels(pixelsOf(1170, 9, { { 201, 13, 77, 255 } }), 780, 5);
    ASSERT_TRUE(scaled);
    for (size_t y = 0; y < 5; ++y) {
        for (size_t x = 0; x < 780; x += 7)
            ASSERT_EQ(pixelAt(*scaled, x, y), (Pixel { 201, 13, 77, 255 })) << x << "," << y;
    }
}

// Sampling one pixel of each block instead of averaging them shows dithering as noise.
TEST(ScaledPictureCache, AveragesThePixelsCovered)
{
    auto scaled = sim::scalePixels(pixelsOf(2, 2, { { 0, 0, 0, 255 }, { 255, 255, 255, 255 }, { 255, 255, 255, 255 }, { 0, 0, 0, 255 } }), 1, 1);
    ASSERT_TRUE(scaled);
    EXPECT_TRUE(isNear(pixelAt(*scaled, 0, 0), { 128, 128, 128, 255 }, 1)) << pixelAt(*scaled, 0, 0);
}

// Averaging colours without their alpha lets a transparent pixel's hidden colour bleed in.
TEST(ScaledPictureCache, TransparentPixelsAddNoColour)
{
    auto scaled = sim::scalePixels(pixelsOf(2, 1, { { 0, 0, 255, 255 }, { 255, 0, 0, 0 } }), 1, 1);
    ASSERT_TRUE(scaled);
    EXPECT_TRUE(isNear(pixelAt(*scaled, 0, 0), { 0, 0, 255, 128 }, 1)) << pixelAt(*scaled, 0, 0);
    EXPECT_FALSE(sim::scalePixels(RGBAPixels { 4, 4, std::vector<uint8_t>(10) }, 2, 2));
    EXPECT_FALSE(sim::scalePixels(pixelsOf(4, 4, { { 1, 2, 3, 255 } }), 0, 2));
}

// A cache that scales a frame again for each picture saves nothing; one that holds past its
// budget grows with every frame of a long picture.
TEST(ScaledPictureCache, ScalesEachFrameOnceWithinItsBudget)
{
    int decodes = 0;
    sim::ScaledPictureCache cache(3 * 10 * 10 * 4);
    std::vector<CGImageRef> frames;
    for (int i = 0; i < 6; ++i)
        frames.push_back(countingImage(40, 40, { 10 * i, 0, 0, 255 }, decodes));
    for (int loop = 0; loop < 3; ++loop) {
        for (CGImageRef frame : frames) {
            CGImageRef scaled = cache.renditionOf(frame, 10, 10);
            ASSERT_TRUE(scaled);
            EXPECT_EQ(CGImageGetWidth(scaled), 10u);
            EXPECT_EQ(cache.renditionOf(frame, 10, 10), scaled) << "the frame on screen is drawn again as it is";
        }
    }
    EXPECT_LE(cache.bytesHeld(), 3u * 10 * 10 * 4);
    EXPECT_EQ(decodes, 3 + 3 * 3) << "three frames held, three scaled at each loop";
    for (CGImageRef frame : frames)
        CGImageRelease(frame);
}

// Holding the frames of a picture that was taken off screen keeps its decoder alive for nothing.
TEST(ScaledPictureCache, LetsGoOfPicturesNoOneElseHolds)
{
    int decodes = 0;
    sim::ScaledPictureCache cache(1 << 20);
    CGImageRef gone = countingImage(40, 40, { 1, 2, 3, 255 }, decodes);
    cache.renditionOf(gone, 10, 10);
    long liveBefore = CFGetRetainCount(gone);
    CGImageRelease(gone);
    EXPECT_EQ(liveBefore, 2);
    CGImageRef next = countingImage(40, 40, { 4, 5, 6, 255 }, decodes);
    cache.renditionOf(next, 10, 10);
    EXPECT_EQ(cache.count(), 1u);
    EXPECT_EQ(cache.bytesHeld(), 10u * 10 * 4);
    CGImageRelease(next);
}

// A rendition placed off by the image view's offset, or used where the view isn't on whole pixels,
// draws the picture in the wrong place.
TEST(ScaledPictureCache, RendererDrawsTheRenditionWhereThePictureWas)
{
    sim::ScaledPictureCache cache(1 << 24);
    auto window = backdropWindow(CGRectMake(0, 0, 100, 100));
    auto imageView = UIImageView::initWithFrame(CGRectMake(20, 30, 40, 50));
    imageView->setImage(solidImage(120, 150, { 200, 100, 50, 255 }));
    window->addSubview(imageView);
    Render::RenderOptions options { 0.0, 1.0, true, &cache };
    auto direct = Render::renderView(*window, Render::RenderOptions { 0.0, 1.0, true, nullptr });
    auto cached = Render::renderView(*window, options);
    ASSERT_TRUE(direct && cached);
    EXPECT_EQ(cache.count(), 1u);
    EXPECT_EQ(countNear(*cached, { 200, 100, 50, 255 }, 20, 30, 40, 50, 1), 40u * 50);
    EXPECT_EQ(pixelAt(*cached, 19, 29), pixelAt(*direct, 19, 29));
    EXPECT_EQ(pixelAt(*cached, 60, 80), pixelAt(*direct, 60, 80));

    imageView->setFrame(CGRectMake(20.5, 30, 40, 50));
    sim::ScaledPictureCache unused(1 << 24);
    options.renditions = &unused;
    ASSERT_TRUE(Render::renderView(*window, options));
    EXPECT_EQ(unused.count(), 0u);
}

// Preparing the frame on screen instead of the next one leaves the change to be scaled late.
TEST(ScaledPictureCache, PicturesAheadAreTheNextFramesAtTheirDeviceSize)
{
    auto window = backdropWindow(CGRectMake(0, 0, 100, 100));
    auto container = UIView::initWithFrame(CGRectMake(10, 10, 80, 80));
    auto imageView = UIImageView::initWithFrame(CGRectMake(5, 5, 50, 40));
    auto image = animatedImage({ { 255, 0, 0, 255 }, { 0, 255, 0, 255 } }, 2.0);
    imageView->setImage(image);
    container->addSubview(imageView);
    window->addSubview(container);
    auto next = sim::secondsToNextPictureChange(*window);
    ASSERT_TRUE(next);
    auto ahead = sim::picturesAhead(*window, *next + 0.001, 2);
    ASSERT_EQ(ahead.size(), 1u);
    EXPECT_EQ(ahead[0].image, image->images()[1]->CGImage());
    EXPECT_EQ(ahead[0].width, 100u);
    EXPECT_EQ(ahead[0].height, 80u);
    EXPECT_TRUE(sim::picturesAhead(*window, *next, 1.5).empty()) << "15 x 15 points land between pixels at 1.5x";
}
