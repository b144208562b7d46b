// Bitmap contexts on their own: blending, state and layer bookkeeping, and values that must not
// break the drawing.
#include "RenderTestSupport.hpp"

#include <coregraphics/CGContext.hpp>

#include <gtest/gtest.h>

#include <limits>

using namespace rendertest;

namespace {

struct Context {
    CGContextRef context = CGBitmapContextCreate(4, 4);
    ~Context() { CGContextRelease(context); }
    Pixel at(size_t x, size_t y) const { return pixelAt(*CGBitmapContextCopyPixels(context), x, y); }
};

}

// Plus-lighter draws over instead of adding, so the flames' ribbons don't glow where they cross.
TEST(CGContextBlending, PlusLighterAddsColoursAndNormalCoversThem)
{
    Context bitmap;
    CGContextSetRGBFillColor(bitmap.context, 0.5, 0.2, 0, 1);
    CGContextFillRect(bitmap.context, CGRectMake(0, 0, 4, 4));
    CGContextSetBlendMode(bitmap.context, kCGBlendModePlusLighter);
    CGContextSetRGBFillColor(bitmap.context, 0.25, 0.2, 0.1, 1);
    CGContextFillRect(bitmap.context, CGRectMake(0, 0, 2, 4));
    EXPECT_TRUE(isNear(bitmap.at(0, 0), Pixel { 191, 102, 26, 255 }, 1)) << bitmap.at(0, 0);
    EXPECT_TRUE(isNear(bitmap.at(3, 0), Pixel { 128, 51, 0, 255 }, 1)) << bitmap.at(3, 0);
}

// A restore or layer end without its begin unwinds state that belongs to the caller.
TEST(CGContextState, UnbalancedRestoresAndLayerEndsAreIgnored)
{
    Context bitmap;
    CGContextSetAlpha(bitmap.context, 0.5);
    CGContextBeginTransparencyLayer(bitmap.context, nullptr);
    CGContextRestoreGState(bitmap.context);
    CGContextSetRGBFillColor(bitmap.context, 1, 1, 1, 1);
    CGContextFillRect(bitmap.context, CGRectMake(0, 0, 4, 4));
    CGContextEndTransparencyLayer(bitmap.context);
    CGContextEndTransparencyLayer(bitmap.context);
    CGContextRestoreGState(bitmap.context);
    // The layer came out at the alpha set before it, and that alpha is still in force.
    EXPECT_TRUE(isNear(bitmap.at(1, 1), Pixel { 255, 255, 255, 128 }, 1)) << bitmap.at(1, 1);
    CGContextClearRect(bitmap.context, CGRectMake(0, 0, 4, 4));
    CGContextFillRect(bitmap.context, CGRectMake(0, 0, 4, 4));
    EXPECT_EQ(bitmap.at(1, 1).alpha, 128);
}

// A NaN or zero scale puts the backend into an error state that blanks everything drawn after it.
TEST(CGContextState, NonFiniteAndDegenerateValuesAreIgnored)
{
    Context bitmap;
    double nan = std::numeric_limits<double>::quiet_NaN();
    CGContextTranslateCTM(bitmap.context, nan, 0);
    CGContextScaleCTM(bitmap.context, 0, 1);
    CGContextSetAlpha(bitmap.context, nan);
    CGContextSetRGBFillColor(bitmap.context, 0, 1, 0, 1);
    CGContextMoveToPoint(bitmap.context, nan, nan);
    CGContextFillRect(bitmap.context, CGRectMake(0, 0, 4, nan));
    CGContextFillRect(bitmap.context, CGRectMake(0, 0, 4, 4));
    EXPECT_EQ(bitmap.at(2, 2), (Pixel { 0, 255, 0, 255 }));
    // Null contexts are ignored as on the platform.
    CGContextFillRect(nullptr, CGRectMake(0, 0, 1, 1));
    CGContextEndTransparencyLayer(nullptr);
    EXPECT_FALSE(CGBitmapContextCopyPixels(nullptr));
}

// Oversized bitmaps are attempted, exhausting memory instead of being refused.
TEST(CGContextCreation, RefusesEmptyAndOversizedBitmaps)
{
    EXPECT_EQ(CGBitmapContextCreate(0, 10), nullptr);
    EXPECT_EQ(CGBitmapContextCreate(CGContext::maximumSide + 1, 1), nullptr);
    EXPECT_EQ(CGBitmapContextCreate(CGContext::maximumSide, CGContext::maximumSide), nullptr);
    long live = CFGetTypeCounters("CGContext").live;
    CGContextRef context = CGBitmapContextCreate(8, 8);
    ASSERT_NE(context, nullptr);
    CGImageRef image = CGBitmapContextCreateImage(context);
    EXPECT_EQ(CGImageGetWidth(image), 8u);
    CGImageRelease(image);
    CGContextRelease(context);
    EXPECT_EQ(CFGetTypeCounters("CGContext").live, live);
}
