#include <imageio/StillImageContainer.hpp>

#include <mutex>
#include <new>

struct StillImageContainer::DecodingState {
    std::shared_ptr<const NSData> file;
    Decoder decoder;
    std::mutex lock;
    bool didDecode { false };
    std::shared_ptr<const RGBAPixels> pixels;

    std::shared_ptr<const RGBAPixels> decodedPixels()
    {
        std::lock_guard guard(lock);
        // A file that failed once fails again: don't pay for it on every draw.
        if (!didDecode) {
            didDecode = true;
            try {
                pixels = decoder(file->span());
            } catch (const std::bad_alloc&) {
                pixels = nullptr;
            }
        }
        return pixels;
    }
};

StillImageContainer::StillImageContainer(std::shared_ptr<const NSData> file, PixelSize size, Decoder decoder)
    : m_size(size)
    , m_state(std::make_shared<DecodingState>())
{
    m_state->file = std::move(file);
    m_state->decoder = decoder;
}

CGImageRef StillImageContainer::createImage(size_t) const
{
    return CGImageCreateLazy(m_size.width, m_size.height, [state = m_state] { return state->decodedPixels(); });
}

CFDictionaryRef StillImageContainer::copyProperties(size_t) const
{
    return createCanvasProperties(m_size);
}
