// The image source's contract with its callers: ownership, laziness, properties, file formats.
#include "imageio/TestImages.hpp"

#include <foundation/DeviceRoot.hpp>
#include <imageio/CGImageProperties.hpp>
#include <imageio/CGImageSource.hpp>
#include <imageio/CGImageSourceTesting.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using namespace TestImages;

const std::vector<RGB> twoColors { { 255, 0, 0 }, { 0, 0, 255 } };

std::shared_ptr<NSData> dataOf(const std::vector<uint8_t>& bytes)
{
    return std::make_shared<NSData>(bytes);
}

// Four 4 x 3 frames: delays of 0, 3 and 25 hundredths, then one without control data.
std::vector<uint8_t> sampleGif()
{
    Gif gif { 4, 3, twoColors, {} };
    for (uint16_t delay : { uint16_t { 0 }, uint16_t { 3 }, uint16_t { 25 } }) {
        gif.frames.push_back(solidFrame(0, 0, 4, 3, static_cast<uint8_t>(delay % 2)));
        gif.frames.back().control = GifControl { 1, -1, delay };
    }
    gif.frames.push_back(solidFrame(0, 0, 4, 3, 0));
    return encodeGif(gif);
}

struct LiveCounts {
    long images { CFGetTypeCounters("CGImage").live };
    long sources { CFGetTypeCounters("CGImageSource").live };
    long dictionaries { CFGetTypeCounters("CFDictionary").live };
    bool operator==(const LiveCounts&) const = default;
};

double gifValue(CFDictionaryRef properties, CFStringRef key)
{
    auto gif = static_cast<CFDictionaryRef>(CFDictionaryGetValue(properties, kCGImagePropertyGIFDictionary));
    return doubleValue(CFDictionaryGetValue(gif, key));
}

}

// Catches a crash or a half-made object on absent arguments, and reads past the last frame.
TEST(CGImageSource, NullArgumentsAndIndexesPastTheEndGiveNull)
{
    LiveCounts before;
    EXPECT_EQ(CGImageSourceCreateWithData(nullptr, nullptr), nullptr);
    EXPECT_EQ(CGImageSourceCreateWithURL(nullptr, nullptr), nullptr);
    EXPECT_EQ(CGImageSourceGetCount(nullptr), 0u);
    EXPECT_EQ(CGImageSourceCreateImageAtIndex(nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(CGImageSourceCopyPropertiesAtIndex(nullptr, 0, nullptr), nullptr);
    auto data = dataOf(sampleGif());
    auto source = CGImageSourceCreateWithData(data.get(), nullptr);
    ASSERT_EQ(CGImageSourceGetCount(source), 4u);
    EXPECT_EQ(CGImageSourceCreateImageAtIndex(source, 4, nullptr), nullptr);
    EXPECT_EQ(CGImageSourceCopyPropertiesAtIndex(source, 4, nullptr), nullptr);
    EXPECT_EQ(CGImageSourceCreateImageAtIndex(source, SIZE_MAX, nullptr), nullptr);
    CFRelease(source);
    EXPECT_EQ(LiveCounts {}, before);
}

// Catches a Create or Copy that doesn't hand over exactly one reference, or an object created
// behind the caller's back.
TEST(CGImageSource, CreateAndCopyReturnOneOwnedReference)
{
    LiveCounts before;
    auto data = dataOf(sampleGif());
    auto source = CGImageSourceCreateWithData(data.get(), nullptr);
    EXPECT_EQ(CFGetRetainCount(source), 1);
    EXPECT_EQ(CFGetTypeCounters("CGImageSource").live, before.sources + 1);
    auto image = CGImageSourceCreateImageAtIndex(source, 1, nullptr);
    auto properties = CGImageSourceCopyPropertiesAtIndex(source, 1, nullptr);
    EXPECT_EQ(CFGetRetainCount(image), 1);
    EXPECT_EQ(CFGetTypeCounters("CGImage").live, before.images + 1);
    // Frames with the same delay may share their properties; the caller's one release still
    // balances the copy, and the properties stay readable after the source is gone.
    auto again = CGImageSourceCopyPropertiesAtIndex(source, 1, nullptr);
    CFRelease(again);
    CFRelease(source);
    EXPECT_NE(CFDictionaryGetValue(properties, kCGImagePropertyGIFDictionary), nullptr);
    CFRelease(properties);
    CGImageRelease(image);
    EXPECT_EQ(LiveCounts {}, before);
}

// Catches frame images that dangle once their source is released: the view keeps the frames.
TEST(CGImageSource, FrameImagesOutliveSourceAndData)
{
    auto data = dataOf(sampleGif());
    auto source = CGImageSourceCreateWithData(data.get(), nullptr);
    auto image = CGImageSourceCreateImageAtIndex(source, 2, nullptr);
    CFRelease(source);
    data.reset();
    auto pixels = CGImageGetPixels(image);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->width, 4u);
    // Frame 2 is drawn with index 1, blue.
    EXPECT_EQ(pixels->bytes[0], 0);
    EXPECT_EQ(pixels->bytes[2], 255);
    CGImageRelease(image);
}

// Catches pixels decoded eagerly, which would cost a long animation's every canvas up front.
TEST(CGImageSource, NothingIsDecodedBeforePixelsAreAskedFor)
{
    long decodedBefore = CGImageSourceGetDecodedFrameCount();
    auto data = dataOf(sampleGif());
    auto source = CGImageSourceCreateWithData(data.get(), nullptr);
    std::vector<CGImageRef> images;
    for (size_t index = 0; index < CGImageSourceGetCount(source); ++index) {
        images.push_back(CGImageSourceCreateImageAtIndex(source, index, nullptr));
        CFRelease(CGImageSourceCopyPropertiesAtIndex(source, index, nullptr));
        EXPECT_EQ(CGImageGetWidth(images.back()), 4u);
    }
    EXPECT_EQ(CGImageSourceGetDecodedFrameCount(), decodedBefore);
    EXPECT_TRUE(CGImageGetPixels(images[0]));
    EXPECT_EQ(CGImageSourceGetDecodedFrameCount(), decodedBefore + 1);
    for (auto image : images)
        CGImageRelease(image);
    CFRelease(source);
}

// Catches wrong units, a missing clamp, a clamp applied to the unclamped value, and a frame
// without control data getting a stale delay from the frame before it.
TEST(CGImageSource, GifDelaysInSecondsClampedAtOneTenth)
{
    auto data = dataOf(sampleGif());
    auto source = CGImageSourceCreateWithData(data.get(), nullptr);
    const double unclamped[] = { 0.0, 0.03, 0.25, 0.0 };
    const double clamped[] = { 0.1, 0.1, 0.25, 0.1 };
    for (size_t index = 0; index < 4; ++index) {
        auto properties = CGImageSourceCopyPropertiesAtIndex(source, index, nullptr);
        EXPECT_DOUBLE_EQ(gifValue(properties, kCGImagePropertyGIFUnclampedDelayTime), unclamped[index]);
        EXPECT_DOUBLE_EQ(gifValue(properties, kCGImagePropertyGIFDelayTime), clamped[index]);
        EXPECT_EQ(doubleValue(CFDictionaryGetValue(properties, kCGImagePropertyPixelWidth)), 4.0);
        EXPECT_EQ(doubleValue(CFDictionaryGetValue(properties, kCGImagePropertyPixelHeight)), 3.0);
        CFRelease(properties);
    }
    CFRelease(source);
}

// Catches a URL resolved anywhere but through the device root, and unreadable files not giving null.
TEST(CGImageSource, URLReadsThroughTheDeviceRoot)
{
    auto root = std::filesystem::path(testing::TempDir()) / ("imageio-root-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "var/mobile/Documents");
    auto bytes = sampleGif();
    std::ofstream(root / "var/mobile/Documents/siricustom.gif", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    DeviceRoot::set(root);
    auto url = NSURL::fileURLWithPath("/var/mobile/Documents/siricustom.gif");
    auto source = CGImageSourceCreateWithURL(url.get(), nullptr);
    EXPECT_EQ(CGImageSourceGetCount(source), 4u);
    if (source)
        CFRelease(source);
    EXPECT_EQ(CGImageSourceCreateWithURL(NSURL::fileURLWithPath("/var/mobile/Documents/missing.gif").get(), nullptr), nullptr);
    EXPECT_EQ(CGImageSourceCreateWithURL(NSURL::URLWithString("https://example.invalid/a.gif").get(), nullptr), nullptr);
    std::filesystem::remove_all(root);
}

// Catches a PNG losing its alpha or its row order, or carrying GIF data it doesn't have.
TEST(CGImageSource, PngIsOneFrameWithExactPixels)
{
    std::vector<uint8_t> rgba { 255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255 };
    auto data = dataOf(encodePng(3, 2, rgba));
    long decodedBefore = CGImageSourceGetDecodedFrameCount();
    auto source = CGImageSourceCreateWithData(data.get(), nullptr);
    ASSERT_EQ(CGImageSourceGetCount(source), 1u);
    auto properties = CGImageSourceCopyPropertiesAtIndex(source, 0, nullptr);
    EXPECT_EQ(CFDictionaryGetValue(properties, kCGImagePropertyGIFDictionary), nullptr);
    EXPECT_EQ(doubleValue(CFDictionaryGetValue(properties, kCGImagePropertyPixelWidth)), 3.0);
    auto image = CGImageSourceCreateImageAtIndex(source, 0, nullptr);
    EXPECT_EQ(CGImageSourceGetDecodedFrameCount(), decodedBefore);
    auto pixels = CGImageGetPixels(image);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->bytes, rgba);
    CFRelease(properties);
    CGImageRelease(image);
    CFRelease(source);
}

// Catches JPEG channels swapped or decoded without opaque alpha.
TEST(CGImageSource, JpegIsOneOpaqueFrame)
{
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 16 * 8; ++i)
        rgb.insert(rgb.end(), { 200, 40, 90 });
    auto frames = decodeFrames(encodeJpeg(16, 8, rgb));
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_TRUE(frames[0]);
    ASSERT_EQ(frames[0]->bytes.size(), 16u * 8 * 4);
    for (size_t i = 0; i < frames[0]->bytes.size(); i += 4) {
        EXPECT_NEAR(frames[0]->bytes[i], 200, 4);
        EXPECT_NEAR(frames[0]->bytes[i + 1], 40, 4);
        EXPECT_NEAR(frames[0]->bytes[i + 2], 90, 4);
        EXPECT_EQ(frames[0]->bytes[i + 3], 255);
    }
}

// Catches damaged still images crashing or taking the process down through libpng or libjpeg.
TEST(CGImageSource, DamagedStillImagesAreSafe)
{
    for (auto file : { encodePng(32, 32, std::vector<uint8_t>(32 * 32 * 4, 200)), encodeJpeg(32, 32, std::vector<uint8_t>(32 * 32 * 3, 77)) }) {
        for (size_t length = 0; length < file.size(); length += 7) {
            for (const auto& pixels : decodeFrames({ file.begin(), file.begin() + static_cast<long>(length) }))
                EXPECT_TRUE(!pixels || pixels->bytes.size() == 32u * 32 * 4);
            auto flipped = file;
            flipped[length] ^= 0x5A;
            decodeFrames(flipped);
        }
    }
}

// Catches the test hook not handing out +1 references, or not passing absent values through.
TEST(CGImageSource, SyntheticSourceHandsOutWhatItWasGiven)
{
    LiveCounts before;
    auto image = CGImageCreateWithPixels(std::make_shared<RGBAPixels>(RGBAPixels { 1, 1, { 1, 2, 3, 4 } }));
    auto properties = CGImageSourceCreateGIFProperties(0.004, std::nullopt);
    auto source = CGImageSourceCreateSynthetic({ { image, properties }, { nullptr, nullptr } });
    ASSERT_EQ(CGImageSourceGetCount(source), 2u);
    auto given = CGImageSourceCreateImageAtIndex(source, 0, nullptr);
    EXPECT_EQ(given, image);
    EXPECT_EQ(CFGetRetainCount(image), 3);
    auto copied = CGImageSourceCopyPropertiesAtIndex(source, 0, nullptr);
    EXPECT_EQ(copied, properties);
    EXPECT_DOUBLE_EQ(gifValue(copied, kCGImagePropertyGIFUnclampedDelayTime), 0.004);
    auto gif = static_cast<CFDictionaryRef>(CFDictionaryGetValue(copied, kCGImagePropertyGIFDictionary));
    EXPECT_EQ(CFDictionaryGetValue(gif, kCGImagePropertyGIFDelayTime), nullptr);
    EXPECT_EQ(CGImageSourceCreateImageAtIndex(source, 1, nullptr), nullptr);
    EXPECT_EQ(CGImageSourceCopyPropertiesAtIndex(source, 1, nullptr), nullptr);
    for (CFTypeRef object : { CFTypeRef(given), CFTypeRef(copied), CFTypeRef(source), CFTypeRef(image), CFTypeRef(properties) })
        CFRelease(object);
    EXPECT_EQ(LiveCounts {}, before);
}
