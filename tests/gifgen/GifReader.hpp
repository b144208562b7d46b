// Reads back what the generator wrote, through an independent decoder, as the tests need it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace gifgen::testing {

struct ReadFrame {
    size_t left { 0 };
    size_t top { 0 };
    size_t width { 0 };
    size_t height { 0 };
    uint16_t delay { 0 };
    std::optional<uint8_t> transparentIndex;
    std::vector<uint8_t> indices;
};

struct ReadGif {
    size_t width { 0 };
    size_t height { 0 };
    size_t colorCount { 0 }; // entries in the global colour table
    std::vector<std::array<uint8_t, 3>> colors;
    std::optional<int> loopCount; // from the application extension; 0 loops forever
    std::vector<ReadFrame> frames;

    // The picture after the frames up to and including the given one, RGBA, unpainted pixels clear.
    std::vector<uint8_t> composite(size_t frameIndex) const;
};

// None when the decoder rejects the bytes.
std::optional<ReadGif> readGif(std::span<const uint8_t> bytes);

}
