#include <imageio/CGImageProperties.hpp>
#include <imageio/GifAnimationDecoder.hpp>
#include <imageio/GifContainer.hpp>
#include <imageio/GifFrameCosts.hpp>

#include <algorithm>

namespace {

// The platform plays shorter delays (0 included) at a tenth of a second.
constexpr double minimumClampedDelay = 0.1;

}

std::shared_ptr<GifContainer> GifContainer::create(std::shared_ptr<const NSData> file)
{
    auto structure = scanGifStructure(file->span());
    if (!structure)
        return nullptr;
    return std::make_shared<GifContainer>(std::make_shared<GifAnimationDecoder>(std::move(file), std::move(*structure)));
}

GifContainer::GifContainer(std::shared_ptr<GifAnimationDecoder> decoder)
    : m_decoder(std::move(decoder))
    , m_costs(std::make_shared<GifFrameCosts>(m_decoder))
{
}

size_t GifContainer::frameCount() const
{
    return m_decoder->structure().frames.size();
}

CGImageRef GifContainer::createImage(size_t index) const
{
    const auto& structure = m_decoder->structure();
    // The image shares the decoder, so it keeps the file and the cache alive after the source goes.
    // Frames say what they cost to make, so that a draw can bound its decoding work.
    auto provider = [decoder = m_decoder, index] { return decoder->canvasAfterFrame(index); };
    return CGImageCreateLazyFrame(structure.width, structure.height, std::move(provider), m_costs, index);
}

CFDictionaryRef GifContainer::copyProperties(size_t index) const
{
    const auto& structure = m_decoder->structure();
    const auto& frame = structure.frames[index];
    double delay = frame.hasControl ? frame.delayHundredths / 100.0 : 0.0;

    auto* gif = CFDictionaryCreateMutable();
    setNumber(gif, kCGImagePropertyGIFUnclampedDelayTime, delay);
    setNumber(gif, kCGImagePropertyGIFDelayTime, std::max(delay, minimumClampedDelay));
    auto* properties = createCanvasProperties({ structure.width, structure.height });
    CFDictionarySetValue(properties, kCGImagePropertyGIFDictionary, gif);
    CFRelease(gif);
    return properties;
}

CGImageSourceFrameDecoding GifContainer::checkFrame(size_t index) const
{
    auto outcome = m_decoder->frameOutcome(index);
    if (!outcome || *outcome == GifFrameOutcome::Failed)
        return CGImageSourceFrameDecoding::Failed;
    return *outcome == GifFrameOutcome::Complete ? CGImageSourceFrameDecoding::Complete : CGImageSourceFrameDecoding::CutShort;
}
