// Hostile bytes through everything a caller does with an image source: count, properties, frame
// images and every frame's pixels, in order and then once more out of order.
#include <imageio/CGImageProperties.hpp>
#include <imageio/CGImageSource.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void checkPixels(CGImageRef image)
{
    auto pixels = CGImageGetPixels(image);
    if (pixels && pixels->bytes.size() != CGImageGetWidth(image) * CGImageGetHeight(image) * 4)
        std::abort();
}

void readProperties(CGImageSourceRef source, size_t index)
{
    auto properties = CGImageSourceCopyPropertiesAtIndex(source, index, nullptr);
    if (!properties)
        std::abort();
    auto gif = static_cast<CFDictionaryRef>(CFDictionaryGetValue(properties, kCGImagePropertyGIFDictionary));
    if (gif && doubleValue(CFDictionaryGetValue(gif, kCGImagePropertyGIFDelayTime)) < 0.1)
        std::abort();
    CFRelease(properties);
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    auto data = NSData::dataWithBytes({ bytes, size });
    auto source = CGImageSourceCreateWithData(data.get(), nullptr);
    if (!source)
        return 0;
    size_t count = CGImageSourceGetCount(source);
    if (count == 0 || count > ImageIOLimits::maxFrames)
        std::abort();
    CGImageRef first = nullptr;
    for (size_t index = 0; index < count; ++index) {
        readProperties(source, index);
        auto image = CGImageSourceCreateImageAtIndex(source, index, nullptr);
        checkPixels(image);
        if (index == 0)
            first = image;
        else
            CGImageRelease(image);
    }
    CFRelease(source);
    // Back to the start after the source is gone: the frames keep the decoder alive.
    checkPixels(first);
    CGImageRelease(first);
    return 0;
}
