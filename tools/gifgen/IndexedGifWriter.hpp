// Writes an animated, endlessly looping GIF from frames already reduced to palette indices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace gifgen {

struct IndexedGifContext;

class IndexedGifWriter {
public:
    enum class FrameStorage {
        Whole, // every pixel of every frame is stored
        ChangesOnly, // pixels equal to the previous frame become see-through; needs a free palette entry
    };

    // palette holds RGB triples, 1 to 256 of them.
    IndexedGifWriter(size_t width, size_t height, std::span<const uint8_t> palette, FrameStorage);
    ~IndexedGifWriter();
    IndexedGifWriter(const IndexedGifWriter&) = delete;
    IndexedGifWriter& operator=(const IndexedGifWriter&) = delete;

    // indices holds width * height entries; the writer keeps no reference to them.
    bool addFrame(std::span<const uint8_t> indices, uint16_t delay, std::optional<uint8_t> transparentIndex = std::nullopt);
    // The finished file; empty when any step failed.
    std::vector<uint8_t> finish();

private:
    std::unique_ptr<IndexedGifContext> m_context;
};

}
