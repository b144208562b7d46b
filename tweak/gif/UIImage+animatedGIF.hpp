// Animated images from GIF bytes or files: every frame keeps its own delay by being repeated in a
// list whose entries all share one duration.
#pragma once

#include <foundation/NSData.hpp>
#include <foundation/NSURL.hpp>
#include <imageio/CGImageSource.hpp>
#include <uikit/UIImage.hpp>

#include <cstdint>
#include <memory>

namespace animatedGIF {

// Longest frame list an animation may have. A crafted file whose delays have a divisor of one
// hundredth over a long total would otherwise make the host allocate one slot per hundredth.
inline constexpr int32_t maximumFrameListLength = 100'000;

// Nil when no image source can be made, when the total runs past 2^31 - 1 hundredths, or when the
// frame list would be longer than maximumFrameListLength.
std::shared_ptr<UIImage> animatedImageWithAnimatedGIFData(const NSData*);
std::shared_ptr<UIImage> animatedImageWithAnimatedGIFURL(const NSURL*);

namespace testing {

// Takes over a source as both entry points do; for sources built in tests from values no file holds.
std::shared_ptr<UIImage> imageFromOwnedSource(CGImageSourceRef);

}

}
