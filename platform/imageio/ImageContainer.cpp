#include <imageio/CGImageProperties.hpp>
#include <imageio/ImageContainer.hpp>

CFMutableDictionaryRef ImageContainer::createCanvasProperties(PixelSize size)
{
    auto* properties = CFDictionaryCreateMutable();
    setNumber(properties, kCGImagePropertyPixelWidth, static_cast<double>(size.width));
    setNumber(properties, kCGImagePropertyPixelHeight, static_cast<double>(size.height));
    return properties;
}

void ImageContainer::setNumber(CFMutableDictionaryRef dictionary, CFStringRef key, double value)
{
    auto number = CFNumberCreateWithDouble(value);
    CFDictionarySetValue(dictionary, key, number);
    CFRelease(number);
}

CGImageSourceFrameDecoding ImageContainer::checkFrame(size_t index) const
{
    auto image = createImage(index);
    bool hasPixels = CGImageGetPixels(image) != nullptr;
    CGImageRelease(image);
    return hasPixels ? CGImageSourceFrameDecoding::Complete : CGImageSourceFrameDecoding::Failed;
}
