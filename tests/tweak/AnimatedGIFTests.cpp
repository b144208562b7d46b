// The animatedGIF category: frame timing, the frame list, and ownership of every platform handle.
#include <tweak/gif/UIImage+animatedGIF.hpp>

#include <imageio/CGImageProperties.hpp>
#include <imageio/CGImageSourceTesting.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace {

struct FakeFrame {
    std::optional<double> unclamped;
    std::optional<double> clamped;
    bool hasImage { true };
    bool hasProperties { true };
};

// One distinct 1 x 1 image per frame, so that list entries can be traced back to their frame.
CGImageRef makeFrameImage(uint8_t marker)
{
    auto pixels = std::make_shared<RGBAPixels>();
    pixels->width = 1;
    pixels->height = 1;
    pixels->bytes = { marker, 0, 0, 255 };
    return CGImageCreateWithPixels(pixels);
}

struct Decoded {
    std::shared_ptr<UIImage> image;
    std::vector<CGImageRef> frameImages;
};

// Decodes a synthetic source built from the fake frames; the source itself is handed over to the category.
Decoded decode(const std::vector<FakeFrame>& fakes)
{
    Decoded decoded;
    std::vector<CGImageSourceSyntheticFrame> frames;
    for (size_t i = 0; i < fakes.size(); ++i) {
        CGImageRef image = fakes[i].hasImage ? makeFrameImage(static_cast<uint8_t>(i)) : nullptr;
        CFDictionaryRef properties = fakes[i].hasProperties ? CGImageSourceCreateGIFProperties(fakes[i].unclamped, fakes[i].clamped) : nullptr;
        frames.push_back({ image, properties });
        decoded.frameImages.push_back(image);
    }
    CGImageSourceRef source = CGImageSourceCreateSynthetic(frames);
    for (auto& frame : frames) {
        CGImageRelease(frame.image);
        if (frame.properties)
            CFRelease(frame.properties);
    }
    decoded.image = animatedGIF::testing::imageFromOwnedSource(source);
    return decoded;
}

// The frame index each entry of the list shows.
std::vector<size_t> entryFrames(const Decoded& decoded)
{
    std::vector<size_t> result;
    if (!decoded.image)
        return result;
    for (const auto& entry : decoded.image->images()) {
        for (size_t i = 0; i < decoded.frameImages.size(); ++i) {
            if (entry->CGImage() == decoded.frameImages[i])
                result.push_back(i);
        }
    }
    return result;
}

FakeFrame delay(double seconds)
{
    return { seconds, std::max(seconds, 0.1) };
}

}

// A wrong divisor or repeat count shows frames for the wrong time.
TEST(AnimatedGIFTiming, WorkedExamples)
{
    auto single = decode({ delay(0.07) });
    EXPECT_EQ(entryFrames(single), (std::vector<size_t> { 0 }));
    EXPECT_DOUBLE_EQ(single.image->duration(), 0.07);

    auto twoFrames = decode({ delay(0.04), delay(0.06) });
    EXPECT_EQ(entryFrames(twoFrames), (std::vector<size_t> { 0, 0, 1, 1, 1 }));
    EXPECT_DOUBLE_EQ(twoFrames.image->duration(), 0.10);

    auto coprime = decode({ delay(0.03), delay(0.05) });
    EXPECT_EQ(entryFrames(coprime), (std::vector<size_t> { 0, 0, 0, 1, 1, 1, 1, 1 }));
    EXPECT_DOUBLE_EQ(coprime.image->duration(), 0.08);
}

// A delay that rounds to zero must neither break the divisor nor get an entry.
TEST(AnimatedGIFTiming, DelaysThatRoundToZero)
{
    auto middle = decode({ delay(0.03), delay(0.004), delay(0.03) });
    EXPECT_EQ(entryFrames(middle), (std::vector<size_t> { 0, 2 }));
    EXPECT_DOUBLE_EQ(middle.image->duration(), 0.06);

    auto first = decode({ delay(0.004), delay(0.04), delay(0.06) });
    EXPECT_EQ(entryFrames(first), (std::vector<size_t> { 1, 1, 2, 2, 2 }));
    EXPECT_DOUBLE_EQ(first.image->duration(), 0.10);

    // An empty list: the platform gives nil for it.
    EXPECT_EQ(decode({ delay(0.004), delay(0.001) }).image, nullptr);
    EXPECT_EQ(decode({ delay(0.004) }).image, nullptr);
}

// Choosing the clamped delay first, or testing after rounding, changes how long frames stay.
TEST(AnimatedGIFTiming, ChoiceBetweenUnclampedAndClampedDelays)
{
    auto durationOf = [](FakeFrame frame) {
        auto decoded = decode({ frame });
        return decoded.image ? decoded.image->duration() : -1.0;
    };
    EXPECT_DOUBLE_EQ(durationOf({ 0.02, 0.1 }), 0.02);
    EXPECT_DOUBLE_EQ(durationOf({ std::nullopt, 0.1 }), 0.10);
    EXPECT_DOUBLE_EQ(durationOf({ 0.0, 0.1 }), 0.10);
    EXPECT_DOUBLE_EQ(durationOf({ -1.0, 0.1 }), 0.01);
    EXPECT_DOUBLE_EQ(durationOf({ std::nan(""), 0.1 }), 0.01);
    EXPECT_DOUBLE_EQ(durationOf({ std::nullopt, std::nullopt }), 0.01);
    // No properties, or properties without the GIF sub-dictionary.
    EXPECT_DOUBLE_EQ(durationOf({ std::nullopt, std::nullopt, true, false }), 0.01);
}

// Rounding half away from zero would give 13 and 38; the platform rounds halves to even.
TEST(AnimatedGIFTiming, HalvesRoundToEven)
{
    EXPECT_DOUBLE_EQ(decode({ delay(0.125) }).image->duration(), 0.12);
    EXPECT_DOUBLE_EQ(decode({ delay(0.375) }).image->duration(), 0.38);
}

// Frames without timing each count one hundredth: n frames give n entries.
TEST(AnimatedGIFTiming, FramesWithoutDelaysGetOneHundredthEach)
{
    auto decoded = decode({ { std::nullopt, std::nullopt, true, false }, { std::nullopt, std::nullopt, true, false }, { std::nullopt, std::nullopt, true, false } });
    EXPECT_EQ(entryFrames(decoded), (std::vector<size_t> { 0, 1, 2 }));
    EXPECT_DOUBLE_EQ(decoded.image->duration(), 0.03);
}

// A file's properties are whatever it says: a GIF entry that is no dictionary, or delays that are
// no numbers, count as absent instead of being read as something they are not.
TEST(AnimatedGIFTiming, PropertiesOfTheWrongTypeCountAsAbsent)
{
    auto* numberForDictionary = CFDictionaryCreateMutable();
    CFNumberRef five = CFNumberCreateWithDouble(5);
    CFDictionarySetValue(numberForDictionary, kCGImagePropertyGIFDictionary, five);
    auto* stringDelays = CFDictionaryCreateMutable();
    auto* gif = CFDictionaryCreateMutable();
    CFDictionarySetValue(gif, kCGImagePropertyGIFUnclampedDelayTime, CFSTR("0.5"));
    CFDictionarySetValue(gif, kCGImagePropertyGIFDelayTime, CFSTR("0.5"));
    CFDictionarySetValue(stringDelays, kCGImagePropertyGIFDictionary, gif);
    CFDictionaryRef wellFormed = CGImageSourceCreateGIFProperties(0.03, 0.1);
    std::vector<CGImageSourceSyntheticFrame> frames;
    for (CFDictionaryRef properties : { static_cast<CFDictionaryRef>(numberForDictionary), static_cast<CFDictionaryRef>(stringDelays), wellFormed })
        frames.push_back({ makeFrameImage(static_cast<uint8_t>(frames.size())), properties });
    CGImageSourceRef source = CGImageSourceCreateSynthetic(frames);
    std::vector<CGImageRef> frameImages;
    for (auto& frame : frames) {
        frameImages.push_back(frame.image);
        CGImageRelease(frame.image);
        CFRelease(frame.properties);
    }
    CFRelease(five);
    CFRelease(gif);

    auto image = animatedGIF::testing::imageFromOwnedSource(source);
    ASSERT_NE(image, nullptr);
    EXPECT_DOUBLE_EQ(image->duration(), 0.05);
    std::vector<CGImageRef> shown;
    for (const auto& entry : image->images())
        shown.push_back(entry->CGImage());
    EXPECT_EQ(shown, (std::vector<CGImageRef> { frameImages[0], frameImages[1], frameImages[2], frameImages[2], frameImages[2] }));
}

// An entry without an image would crash the host's image view; such a frame is left out with its delay.
TEST(AnimatedGIFLimits, FrameWithoutImageIsLeftOutWithItsDelay)
{
    FakeFrame missing = delay(0.05);
    missing.hasImage = false;
    auto decoded = decode({ delay(0.04), missing, delay(0.06) });
    EXPECT_EQ(entryFrames(decoded), (std::vector<size_t> { 0, 0, 2, 2, 2 }));
    EXPECT_DOUBLE_EQ(decoded.image->duration(), 0.10);
}

// Delays beyond the 32-bit data model must be bounded or refused, never overflow.
TEST(AnimatedGIFLimits, HugeDelaysAreBoundedOrRefused)
{
    double infinite = std::numeric_limits<double>::infinity();
    auto bounded = decode({ delay(infinite) });
    ASSERT_NE(bounded.image, nullptr);
    EXPECT_EQ(bounded.image->images().size(), 1u);
    EXPECT_DOUBLE_EQ(bounded.image->duration(), std::numeric_limits<int32_t>::max() / 100.0);

    // Two such frames run past 2^31 - 1 hundredths in all.
    EXPECT_EQ(decode({ delay(infinite), delay(1e9) }).image, nullptr);
}

// A crafted file must not make the host allocate one slot per hundredth of a long animation.
TEST(AnimatedGIFLimits, FrameListLengthIsBounded)
{
    double longest = animatedGIF::maximumFrameListLength / 100.0;
    auto atBound = decode({ delay(0.01), delay(longest - 0.01) });
    ASSERT_NE(atBound.image, nullptr);
    EXPECT_EQ(atBound.image->images().size(), static_cast<size_t>(animatedGIF::maximumFrameListLength));
    EXPECT_EQ(decode({ delay(0.01), delay(longest) }).image, nullptr);
}

// Every handle the category creates must be released exactly once, also when it gives nil.
TEST(AnimatedGIFOwnership, NothingLeaks)
{
    auto before = [] { return std::vector<long> { CFGetTypeCounters("CGImageSource").live, CFGetTypeCounters("CGImage").live, CFGetTypeCounters("CFDictionary").live }; };
    auto baseline = before();
    {
        auto decoded = decode({ delay(0.04), delay(0.06) });
        EXPECT_NE(decoded.image, nullptr);
        // The animated image keeps the frame images, and nothing else, alive.
        EXPECT_EQ(CFGetTypeCounters("CGImageSource").live, baseline[0]);
        EXPECT_EQ(CFGetTypeCounters("CGImage").live, baseline[1] + 2);
        EXPECT_EQ(CFGetTypeCounters("CFDictionary").live, baseline[2]);
    }
    decode({ delay(0.004) });
    decode({ delay(std::numeric_limits<double>::infinity()), delay(1e9) });
    EXPECT_EQ(before(), baseline);
}

// No source: nothing may be created, decoded or released.
TEST(AnimatedGIFOwnership, NoSourceTouchesNothing)
{
    auto created = [] { return std::vector<long> { CFGetTypeCounters("CGImage").created, CFGetTypeCounters("CFDictionary").created, CFGetTypeCounters("CGImageSource").destroyed }; };
    auto before = created();
    EXPECT_EQ(animatedGIF::animatedImageWithAnimatedGIFData(nullptr), nullptr);
    EXPECT_EQ(animatedGIF::animatedImageWithAnimatedGIFURL(nullptr), nullptr);
    auto garbage = std::make_shared<NSData>(std::vector<uint8_t> { 'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e' });
    EXPECT_EQ(animatedGIF::animatedImageWithAnimatedGIFData(garbage.get()), nullptr);
    EXPECT_EQ(created(), before);
}

// A source without frames releases its source but no frame handle.
TEST(AnimatedGIFOwnership, EmptySourceReleasesOnlyTheSource)
{
    long imagesBefore = CFGetTypeCounters("CGImage").destroyed;
    long sourcesBefore = CFGetTypeCounters("CGImageSource").destroyed;
    EXPECT_EQ(animatedGIF::testing::imageFromOwnedSource(CGImageSourceCreateSynthetic({})), nullptr);
    EXPECT_EQ(CFGetTypeCounters("CGImage").destroyed, imagesBefore);
    EXPECT_EQ(CFGetTypeCounters("CGImageSource").destroyed, sourcesBefore + 1);
}

// Stills of other formats go through the same rules: one frame without GIF timing.
TEST(AnimatedGIFFormats, StillImageGivesOneEntryOfOneHundredth)
{
    auto decoded = decode({ { std::nullopt, std::nullopt, true, false } });
    ASSERT_NE(decoded.image, nullptr);
    EXPECT_EQ(decoded.image->images().size(), 1u);
    EXPECT_DOUBLE_EQ(decoded.image->duration(), 0.01);
}
