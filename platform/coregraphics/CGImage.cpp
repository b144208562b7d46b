#include <coregraphics/CGImage.hpp>

CGImage::CGImage(size_t width, size_t height, PixelProvider provider, std::shared_ptr<const void> owner)
    : CFType("CGImage")
    , m_width(width)
    , m_height(height)
    , m_provider(std::move(provider))
    , m_owner(std::move(owner))
{
}

CGImage::CGImage(size_t width, size_t height, PixelProvider provider, std::shared_ptr<const CGImageFrameSequence> sequence, size_t frameIndex)
    : CGImage(width, height, std::move(provider))
{
    m_sequence = std::move(sequence);
    m_frameIndex = frameIndex;
}

std::shared_ptr<const RGBAPixels> CGImage::pixels() const
{
    return m_provider ? m_provider() : nullptr;
}

CGImageRef CGImageCreateWithPixels(std::shared_ptr<const RGBAPixels> pixels)
{
    if (!pixels)
        return nullptr;
    size_t width = pixels->width;
    size_t height = pixels->height;
    return new CGImage(width, height, [pixels = std::move(pixels)] { return pixels; });
}

CGImageRef CGImageCreateLazy(size_t width, size_t height, CGImage::PixelProvider provider, std::shared_ptr<const void> owner)
{
    return new CGImage(width, height, std::move(provider), std::move(owner));
}

CGImageRef CGImageCreateLazyFrame(size_t width, size_t height, CGImage::PixelProvider provider, std::shared_ptr<const CGImageFrameSequence> sequence, size_t frameIndex)
{
    return new CGImage(width, height, std::move(provider), std::move(sequence), frameIndex);
}

CGImageRef CGImageRetain(CGImageRef image)
{
    CFRetain(image);
    return image;
}

void CGImageRelease(CGImageRef image)
{
    if (image)
        CFRelease(image);
}

size_t CGImageGetWidth(CGImageRef image) { return image ? image->width() : 0; }
size_t CGImageGetHeight(CGImageRef image) { return image ? image->height() : 0; }

std::shared_ptr<const RGBAPixels> CGImageGetPixels(CGImageRef image)
{
    return image ? image->pixels() : nullptr;
}
