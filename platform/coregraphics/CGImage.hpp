// Bitmap images: width, height and 8-bit RGBA pixels (premultiplied: no; row-major, no padding).
// Pixels may be produced lazily, on first use, by whoever created the image (an image source).
#pragma once

#include <foundation/CoreFoundation.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct RGBAPixels {
    size_t width { 0 };
    size_t height { 0 };
    std::vector<uint8_t> bytes; // width * height * 4
};

// The frames of an animation decoded from one shared state: what making a frame's pixels costs
// depends on which frame was made last. The stand-in's own: drawing uses it to bound its work.
class CGImageFrameSequence {
public:
    virtual ~CGImageFrameSequence() = default;
    // Pixels composited to make frame `to` right after frame `from` was made (none: from nothing).
    virtual uint64_t pixelsToMake(std::optional<size_t> from, size_t to) const = 0;
};

class CGImage final : public CFType {
public:
    // Produces the pixels when they are first needed; may give null when they can't be decoded.
    using PixelProvider = std::function<std::shared_ptr<const RGBAPixels>()>;

    // The owner, if any, lives as long as the image: a provider that only points into it needs no
    // copy of it, and so no allocation of its own.
    CGImage(size_t width, size_t height, PixelProvider, std::shared_ptr<const void> owner = {});
    // A frame of a sequence, which lives as long as the image: the provider may point into it.
    CGImage(size_t width, size_t height, PixelProvider, std::shared_ptr<const CGImageFrameSequence>, size_t frameIndex);

    size_t width() const { return m_width; }
    size_t height() const { return m_height; }
    std::shared_ptr<const RGBAPixels> pixels() const;
    // Null for an image that isn't a frame of a sequence.
    const CGImageFrameSequence* frameSequence() const { return m_sequence.get(); }
    size_t frameIndex() const { return m_frameIndex; }

private:
    size_t m_width;
    size_t m_height;
    PixelProvider m_provider;
    std::shared_ptr<const void> m_owner;
    std::shared_ptr<const CGImageFrameSequence> m_sequence;
    size_t m_frameIndex { 0 };
};
using CGImageRef = const CGImage*;

// An image over pixels already in memory; the size comes from the pixels.
CGImageRef CGImageCreateWithPixels(std::shared_ptr<const RGBAPixels>);
CGImageRef CGImageCreateLazy(size_t width, size_t height, CGImage::PixelProvider, std::shared_ptr<const void> owner = {});
// A lazy image that is frame `frameIndex` of the sequence.
CGImageRef CGImageCreateLazyFrame(size_t width, size_t height, CGImage::PixelProvider, std::shared_ptr<const CGImageFrameSequence>, size_t frameIndex);
CGImageRef CGImageRetain(CGImageRef);
// Releasing null does nothing, as on the platform.
void CGImageRelease(CGImageRef);
size_t CGImageGetWidth(CGImageRef);
size_t CGImageGetHeight(CGImageRef);
// The decoded pixels (decoding them now if needed), or null.
std::shared_ptr<const RGBAPixels> CGImageGetPixels(CGImageRef);
