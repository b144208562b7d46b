// A GIF as an image source reads it: every frame a whole canvas, with the GIF sub-dictionary of delays.
#pragma once

#include <foundation/NSData.hpp>
#include <imageio/ImageContainer.hpp>

#include <memory>

class GifAnimationDecoder;
class GifFrameCosts;

class GifContainer final : public ImageContainer {
public:
    // Null when the bytes hold no readable GIF frame (see scanGifStructure).
    static std::shared_ptr<GifContainer> create(std::shared_ptr<const NSData> file);
    explicit GifContainer(std::shared_ptr<GifAnimationDecoder>);

    size_t frameCount() const override;
    CGImageRef createImage(size_t index) const override;
    CFDictionaryRef copyProperties(size_t index) const override;
    CGImageSourceFrameDecoding checkFrame(size_t index) const override;

private:
    std::shared_ptr<GifAnimationDecoder> m_decoder;
    std::shared_ptr<const GifFrameCosts> m_costs;
};
