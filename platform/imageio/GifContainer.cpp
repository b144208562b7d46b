#include <imageio/CGImageProperties.hpp>
#include <imageio/GifAnimationDecoder.hpp>
#include <imageio/GifContainer.hpp>
#include <imageio/GifFrameCosts.hpp>

#include <algorithm>

namespace {

// The platform plays shorter delays (0 included) at a tenth of a second.
constexpr double minimumClampedDelay = 0.1;
// A GIF whose frames have more distinct delays than this gets fresh properties for the rest.
constexpr size_t maximumSharedDelays = 16;

}

std::shared_ptr<GifContainer> GifContainer::create(std::shared_ptr<const NSData> file)
{
    auto structure = scanGifStructure(file->span());
    return create(std::move(file), std::move(structure));
}

std::shared_ptr<GifContainer> GifContainer::create(std::shared_ptr<const NSData> file, std::optional<GifStructure> structure)
{
    if (!structure)
        return nullptr;
    return std::make_shared<GifContainer>(std::make_shared<GifAnimationDecoder>(std::move(file), std::move(*structure)));
}

GifContainer::GifContainer(std::shared_ptr<GifAnimationDecoder> decoder)
    : m_decoder(std::move(decoder))
    , m_costs(std::make_shared<GifFrameCosts>(m_decoder))
    , m_width(CFNumberCreateWithDouble(static_cast<double>(m_decoder->structure().width)))
    , m_height(CFNumberCreateWithDouble(static_cast<double>(m_decoder->structure().height)))
{
}

GifContainer::~GifContainer()
{
    CFRelease(m_width);
    CFRelease(m_height);
    for (auto& [delay, properties] : m_sharedProperties)
        CFRelease(properties);
}

size_t GifContainer::frameCount() const
{
    return m_decoder->structure().frames.size();
}

CGImageRef GifContainer::createImage(size_t index) const
{
    const auto& structure = m_decoder->structure();
    // The image holds the frame costs, which share the decoder, so it keeps the file and the cache
    // alive after the source goes; the provider only points into it. Frames say what they cost to
    // make, so that a draw can bound its decoding work.
    auto provider = [decoder = m_decoder.get(), index] { return decoder->canvasAfterFrame(index); };
    return CGImageCreateLazyFrame(structure.width, structure.height, std::move(provider), m_costs, index);
}

CFDictionaryRef GifContainer::createProperties(const GifFrameInfo& frame) const
{
    double delay = frame.hasControl ? frame.delayHundredths / 100.0 : 0.0;
    auto* gif = CFDictionaryCreateMutable();
    setNumber(gif, kCGImagePropertyGIFUnclampedDelayTime, delay);
    setNumber(gif, kCGImagePropertyGIFDelayTime, std::max(delay, minimumClampedDelay));
    auto* properties = CFDictionaryCreateMutable();
    CFDictionarySetValue(properties, kCGImagePropertyPixelWidth, m_width);
    CFDictionarySetValue(properties, kCGImagePropertyPixelHeight, m_height);
    CFDictionarySetValue(properties, kCGImagePropertyGIFDictionary, gif);
    CFRelease(gif);
    return properties;
}

CFDictionaryRef GifContainer::copyProperties(size_t index) const
{
    const auto& frame = m_decoder->structure().frames[index];
    int delayKey = frame.hasControl ? frame.delayHundredths : -1;
    std::lock_guard lock(m_propertiesLock);
    for (auto& [delay, properties] : m_sharedProperties) {
        if (delay == delayKey) {
            CFRetain(properties);
            return properties;
        }
    }
    auto properties = createProperties(frame);
    if (m_sharedProperties.size() < maximumSharedDelays) {
        CFRetain(properties);
        m_sharedProperties.emplace_back(delayKey, properties);
    }
    return properties;
}

CGImageSourceFrameDecoding GifContainer::checkFrame(size_t index) const
{
    auto outcome = m_decoder->frameOutcome(index);
    if (!outcome || *outcome == GifFrameOutcome::Failed)
        return CGImageSourceFrameDecoding::Failed;
    return *outcome == GifFrameOutcome::Complete ? CGImageSourceFrameDecoding::Complete : CGImageSourceFrameDecoding::CutShort;
}
