#include <uikit/UIImage.hpp>

#include <gtest/gtest.h>

#include <limits>

namespace {

// Made so that the UIImage holds the only reference to its CGImage.
std::shared_ptr<UIImage> makeImage(size_t width, size_t height)
{
    auto pixels = std::make_shared<RGBAPixels>();
    pixels->width = width;
    pixels->height = height;
    pixels->bytes.assign(width * height * 4, 0);
    CGImageRef cgImage = CGImageCreateWithPixels(std::move(pixels));
    auto image = UIImage::imageWithCGImage(cgImage);
    CGImageRelease(cgImage);
    return image;
}

}

// Catches a UIImage that leaks its CGImage, or an animated image that drops its entries early.
TEST(UIImageLifetime, ReleasesCGImagesWhenTheLastImageDies)
{
    long before = CFGetTypeCounters("CGImage").live;
    auto frame = makeImage(3, 2);
    auto animated = UIImage::animatedImageWithImages({ frame, frame, makeImage(2, 2) }, 0.3);
    frame.reset();
    ASSERT_NE(animated, nullptr);
    EXPECT_EQ(CFGetTypeCounters("CGImage").live, before + 2);
    EXPECT_EQ(CGImageGetWidth(animated->images()[1]->CGImage()), 3u);
    animated.reset();
    EXPECT_EQ(CFGetTypeCounters("CGImage").live, before);
}

// Catches an empty animation answered with an image instead of nil, and size or duration not
// taken from the first entry and the caller.
TEST(UIImageAnimated, NilWhenEmptyOtherwiseFirstEntrySizeAndGivenDuration)
{
    EXPECT_EQ(UIImage::animatedImageWithImages({}, 1.0), nullptr);
    EXPECT_EQ(UIImage::animatedImageWithImages({ nullptr }, 1.0), nullptr);
    EXPECT_EQ(UIImage::imageWithCGImage(nullptr), nullptr);
    auto first = makeImage(30, 20);
    auto animated = UIImage::animatedImageWithImages({ nullptr, first, makeImage(8, 8) }, 0.07);
    ASSERT_NE(animated, nullptr);
    EXPECT_DOUBLE_EQ(animated->duration(), 0.07);
    EXPECT_EQ(animated->size(), CGSizeMake(30, 20));
    EXPECT_EQ(animated->CGImage(), first->CGImage());
}

// Catches an off-by-one in the entry index or a loop that doesn't wrap back to the first entry.
TEST(UIImageAnimated, EntryAtTimeFollowsEqualShares)
{
    UIImage::Images frames { makeImage(1, 1), makeImage(1, 1), makeImage(1, 1), makeImage(1, 1), makeImage(1, 1) };
    auto animated = UIImage::animatedImageWithImages(frames, 0.1);
    const std::pair<double, size_t> expected[] { { 0, 0 }, { 0.019, 0 }, { 0.021, 1 }, { 0.05, 2 },
        { 0.099, 4 }, { 0.101, 0 }, { 1.065, 3 } };
    for (auto [t, entry] : expected)
        EXPECT_EQ(animated->imageAtTime(t), frames[entry]) << t;
    EXPECT_EQ(frames[0]->imageAtTime(12.5), frames[0]);
}

// Catches a division by zero, a NaN or an overflowing integer conversion picking an entry out of range.
TEST(UIImageAnimated, EntryAtTimeSurvivesHostileTimesAndDurations)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    UIImage::Images frames { makeImage(1, 1), makeImage(1, 1), makeImage(1, 1) };
    for (double duration : { 0.1, 0.0, -1.0, nan, infinity, 1e-320 }) {
        auto animated = UIImage::animatedImageWithImages(frames, duration);
        for (double t : { -1.0, 0.5, nan, infinity, 1e300, 1e18 + 0.5 })
            EXPECT_NE(animated->imageAtTime(t), nullptr) << duration << " " << t;
    }
}
