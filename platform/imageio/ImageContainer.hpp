// What an image source reads from: one decoded file format, or frames given by a test. Frame
// images made here keep whatever they need alive, so they outlive the source.
#pragma once

#include <coregraphics/CGImage.hpp>
#include <foundation/CoreFoundation.hpp>
#include <imageio/CGImageSourceTesting.hpp>

#include <cstddef>

struct PixelSize {
    size_t width { 0 };
    size_t height { 0 };
};

class ImageContainer {
public:
    ImageContainer() = default;
    ImageContainer(const ImageContainer&) = delete;
    ImageContainer& operator=(const ImageContainer&) = delete;
    virtual ~ImageContainer() = default;

    virtual size_t frameCount() const = 0;
    // Owned (+1) results; the caller has checked index < frameCount().
    virtual CGImageRef createImage(size_t index) const = 0;
    virtual CFDictionaryRef copyProperties(size_t index) const = 0;
    // Decodes the frame when it hasn't been yet. By default a frame is whole when it has pixels.
    virtual CGImageSourceFrameDecoding checkFrame(size_t index) const;

protected:
    // Top-level frame properties that every file format gives: the canvas size.
    static CFMutableDictionaryRef createCanvasProperties(PixelSize);
    static void setNumber(CFMutableDictionaryRef, CFStringRef key, double value);
};
