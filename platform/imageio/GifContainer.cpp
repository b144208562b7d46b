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
    for (size_t entry = 0; entry < m_sharedCount.load(std::memory_order_acquire); ++entry)
        CFRelease(m_sharedProperties[entry].properties);
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
    int delay = frame.hasControl ? frame.delayHundredths : -1;
    auto shared = [&](size_t count) -> CFDictionaryRef {
        for (size_t entry = 0; entry < count; ++entry) {
            if (m_sharedProperties[entry].delay != delay)
                continue;
            CFDictionaryRef properties = m_sharedProperties[entry].properties;
            CFRetain(properties);
            return properties;
        }
        return nullptr;
    };
    if (auto properties = shared(m_sharedCount.load(std::memory_order_acquire)))
        return properties;
    std::lock_guard lock(m_propertiesLock);
    size_t count = m_sharedCount.load(std::memory_order_relaxed);
    if (auto properties = shared(count))
        return properties;
    // A GIF with more distinct delays than there are entries gets fresh properties for the rest.
    auto properties = createProperties(frame);
    if (count < maximumSharedDelays) {
        CFRetain(properties);
        m_sharedProperties[count] = { delay, properties };
        m_sharedCount.store(count + 1, std::memory_order_release);
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
