// Bitmap images: width, height and 8-bit RGBA pixels (premultiplied: no; row-major, no padding).
// Pixels may be produced lazily, on first use, by whoever created the image (an image source).
#pragma once

#include <foundation/CoreFoundation.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct RGBAPixels {
    size_t width { 0 };
    size_t height { 0 };
    std::vector<uint8_t> bytes; // width * height * 4
};

class CGImage final : public CFType {
public:
    // Produces the pixels when they are first needed; may give null when they can't be decoded.
    using PixelProvider = std::function<std::shared_ptr<const RGBAPixels>()>;

    // The owner, if any, lives as long as the image: a provider that only points into it needs no
    // copy of it, and so no allocation of its own.
    CGImage(size_t width, size_t height, PixelProvider, std::shared_ptr<const void> owner = {});

    size_t width() const { return m_width; }
    size_t height() const { return m_height; }
    std::shared_ptr<const RGBAPixels> pixels() const;

private:
    size_t m_width;
    size_t m_height;
    PixelProvider m_provider;
    std::shared_ptr<const void> m_owner;
};
using CGImageRef = const CGImage*;

// An image over pixels already in memory; the size comes from the pixels.
CGImageRef CGImageCreateWithPixels(std::shared_ptr<const RGBAPixels>);
CGImageRef CGImageCreateLazy(size_t width, size_t height, CGImage::PixelProvider, std::shared_ptr<const void> owner = {});
CGImageRef CGImageRetain(CGImageRef);
// Releasing null does nothing, as on the platform.
void CGImageRelease(CGImageRef);
size_t CGImageGetWidth(CGImageRef);
size_t CGImageGetHeight(CGImageRef);
// The decoded pixels (decoding them now if needed), or null.
std::shared_ptr<const RGBAPixels> CGImageGetPixels(CGImageRef);
