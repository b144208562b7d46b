// A single-frame file (PNG, JPEG): the size is known from the header, the pixels are decoded on
// first use and then kept for as long as the source or an image of it lives.
#pragma once

#include <foundation/NSData.hpp>
#include <imageio/ImageContainer.hpp>

#include <memory>
#include <span>

class StillImageContainer final : public ImageContainer {
public:
    using Decoder = std::shared_ptr<RGBAPixels> (*)(std::span<const uint8_t>);

    StillImageContainer(std::shared_ptr<const NSData> file, PixelSize, Decoder);

    size_t frameCount() const override { return 1; }
    CGImageRef createImage(size_t index) const override;
    CFDictionaryRef copyProperties(size_t index) const override;

private:
    struct DecodingState;

    PixelSize m_size;
    std::shared_ptr<DecodingState> m_state;
};
