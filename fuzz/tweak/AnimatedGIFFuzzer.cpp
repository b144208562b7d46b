// Hostile bytes through the animatedGIF category, as the overlay hands it the user's custom picture,
// then every entry of the frame list drawn once, as an image view would over one loop.
#include <tweak/gif/UIImage+animatedGIF.hpp>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto bytes = NSData::dataWithBytes({ data, size });
    auto image = animatedGIF::animatedImageWithAnimatedGIFData(bytes.get());
    if (!image)
        return 0;
    const UIImage* previous = nullptr;
    for (const auto& entry : image->images()) {
        // Repeated entries share one image: decode each distinct frame once.
        if (entry.get() == previous)
            continue;
        previous = entry.get();
        CGImageGetPixels(entry->CGImage());
    }
    return 0;
}
