// What making each frame of a GIF costs its decoder, counted in pixels composited: a frame's whole
// rectangle (its rows are decoded across their full width), nothing for a frame entirely off the
// canvas, and going back restarts at the nearest frame drawn without the ones before it.
#pragma once

#include <coregraphics/CGImage.hpp>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class GifAnimationDecoder;

class GifFrameCosts final : public CGImageFrameSequence {
public:
    explicit GifFrameCosts(std::shared_ptr<GifAnimationDecoder>);

    uint64_t pixelsToMake(std::optional<size_t> from, size_t to) const override;

private:
    void sumPixels() const;

    std::shared_ptr<GifAnimationDecoder> m_decoder;
    // Entry i: the pixels of frames 0 to i - 1. Summed when first asked: most frames are made
    // and never drawn.
    mutable std::once_flag m_summed;
    mutable std::vector<uint64_t> m_pixelsBefore;
};
