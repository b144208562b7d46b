#include <imageio/CGImageProperties.hpp>
#include <imageio/CGImageSourceTesting.hpp>
#include <imageio/ImageContainer.hpp>
#include <imageio/PixelBuffer.hpp>

#include <new>

namespace {

class SyntheticContainer final : public ImageContainer {
public:
    explicit SyntheticContainer(std::vector<CGImageSourceSyntheticFrame> frames)
        : m_frames(std::move(frames))
    {
        for (const auto& frame : m_frames) {
            CGImageRetain(frame.image);
            CFRetain(frame.properties);
        }
    }

    ~SyntheticContainer() override
    {
        for (const auto& frame : m_frames) {
            CGImageRelease(frame.image);
            if (frame.properties)
                CFRelease(frame.properties);
        }
    }

    size_t frameCount() const override { return m_frames.size(); }

    CGImageRef createImage(size_t index) const override
    {
        return CGImageRetain(m_frames[index].image);
    }

    CFDictionaryRef copyProperties(size_t index) const override
    {
        CFRetain(m_frames[index].properties);
        return m_frames[index].properties;
    }

private:
    std::vector<CGImageSourceSyntheticFrame> m_frames;
};

void setNumber(CFMutableDictionaryRef dictionary, CFStringRef key, std::optional<double> value)
{
    if (!value)
        return;
    auto number = CFNumberCreateWithDouble(*value);
    CFDictionarySetValue(dictionary, key, number);
    CFRelease(number);
}

}

CGImageSourceRef CGImageSourceCreateSynthetic(std::vector<CGImageSourceSyntheticFrame> frames)
{
    return new CGImageSource(std::make_shared<SyntheticContainer>(std::move(frames)));
}

CFDictionaryRef CGImageSourceCreateGIFProperties(std::optional<double> unclampedDelay, std::optional<double> clampedDelay)
{
    auto* gif = CFDictionaryCreateMutable();
    setNumber(gif, kCGImagePropertyGIFUnclampedDelayTime, unclampedDelay);
    setNumber(gif, kCGImagePropertyGIFDelayTime, clampedDelay);
    auto* properties = CFDictionaryCreateMutable();
    CFDictionarySetValue(properties, kCGImagePropertyGIFDictionary, gif);
    CFRelease(gif);
    return properties;
}

long CGImageSourceGetDecodedFrameCount() { return PixelBuffer::decodedFrameCount(); }
long CGImageSourceGetLiveCanvasCount() { return PixelBuffer::liveCount(); }

CGImageSourceFrameDecoding CGImageSourceCheckFrame(CGImageSourceRef source, size_t index)
{
    if (!source || index >= source->container().frameCount())
        return CGImageSourceFrameDecoding::Failed;
    try {
        return source->container().checkFrame(index);
    } catch (const std::bad_alloc&) {
        return CGImageSourceFrameDecoding::Failed;
    }
}
