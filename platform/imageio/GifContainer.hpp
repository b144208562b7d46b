// A GIF as an image source reads it: every frame a whole canvas, with the GIF sub-dictionary of delays.
#pragma once

#include <foundation/NSData.hpp>
#include <imageio/GifStructure.hpp>
#include <imageio/ImageContainer.hpp>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

class GifAnimationDecoder;
class GifFrameCosts;

class GifContainer final : public ImageContainer {
public:
    // Null when the bytes hold no readable GIF frame (see scanGifStructure).
    static std::shared_ptr<GifContainer> create(std::shared_ptr<const NSData> file);
    // The same with the file's structure already scanned; null when there is none.
    static std::shared_ptr<GifContainer> create(std::shared_ptr<const NSData> file, std::optional<GifStructure>);
    explicit GifContainer(std::shared_ptr<GifAnimationDecoder>);
    ~GifContainer() override;

    size_t frameCount() const override;
    CGImageRef createImage(size_t index) const override;
    CFDictionaryRef copyProperties(size_t index) const override;
    CGImageSourceFrameDecoding checkFrame(size_t index) const override;

private:
    CFDictionaryRef createProperties(const GifFrameInfo&) const;

    std::shared_ptr<GifAnimationDecoder> m_decoder;
    std::shared_ptr<const GifFrameCosts> m_costs;
    // A frame's properties are its canvas size and its delay, and a GIF's frames share a handful
    // of delays: frames with the same delay share one dictionary, as nobody changes a property
    // once it is read.
    CFNumberRef m_width { nullptr };
    CFNumberRef m_height { nullptr };
    struct SharedProperties {
        // In hundredths; -1 for a frame without one.
        int delay { 0 };
        CFDictionaryRef properties { nullptr };
    };
    static constexpr size_t maximumSharedDelays = 16;
    // Only ever added to, by one writer at a time: readers look at the first m_sharedCount entries
    // without taking the lock, since every frame of a placement asks.
    mutable std::mutex m_propertiesLock;
    mutable std::array<SharedProperties, maximumSharedDelays> m_sharedProperties;
    mutable std::atomic<size_t> m_sharedCount { 0 };
};
