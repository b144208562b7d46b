// Image sources: GIF (every frame, composited), PNG and JPEG (one frame), read from bytes or from a
// file URL. Faithful in ownership and laziness; no incremental loading, no thumbnails, no options.
//
// Bounds on hostile files: a canvas above ImageIOLimits::maxPixels (4096 x 4096 = 16.7 M pixels)
// gives no source; a GIF gives at most ImageIOLimits::maxFrames (8192) frames, and its frame list
// ends before a frame whose rectangle holds more than maxPixels; a file read through a URL may hold
// at most ImageIOLimits::maxFileBytes (512 MiB).
#pragma once

#include <coregraphics/CGImage.hpp>
#include <foundation/CoreFoundation.hpp>
#include <foundation/NSData.hpp>
#include <foundation/NSURL.hpp>

#include <cstddef>
#include <memory>

namespace ImageIOLimits {

inline constexpr size_t maxPixels = 4096 * 4096;
inline constexpr size_t maxFrames = 8192;
inline constexpr size_t maxFileBytes = size_t { 512 } << 20;

}

class ImageContainer;

class CGImageSource final : public CFType {
public:
    explicit CGImageSource(std::shared_ptr<ImageContainer>);
    ~CGImageSource() override;

    ImageContainer& container() const { return *m_container; }

private:
    std::shared_ptr<ImageContainer> m_container;
};
using CGImageSourceRef = const CGImageSource*;

// Null when the data is absent, not an image of a known format, damaged before its first frame,
// or above the bounds. The options are ignored.
CGImageSourceRef CGImageSourceCreateWithData(CFDataRef data, CFDictionaryRef options);
// Reads the file of a file URL through the device root; null as above, or when it can't be read.
CGImageSourceRef CGImageSourceCreateWithURL(CFURLRef url, CFDictionaryRef options);
// 0 for a null source.
size_t CGImageSourceGetCount(CGImageSourceRef);
// An owned frame image whose pixels are decoded when first asked for; null when index >= count.
CGImageRef CGImageSourceCreateImageAtIndex(CGImageSourceRef, size_t index, CFDictionaryRef options);
// An owned dictionary; null when index >= count.
CFDictionaryRef CGImageSourceCopyPropertiesAtIndex(CGImageSourceRef, size_t index, CFDictionaryRef options);
