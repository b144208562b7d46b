// Small image files built in code for the image source tests: GIFs written with giflib's encoder
// (every feature the decoder must handle), PNG and JPEG written with their own libraries.
#pragma once

#include <coregraphics/CGImage.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace TestImages {

using RGB = std::array<uint8_t, 3>;

struct GifControl {
    int disposal { 0 };
    int transparentIndex { -1 };
    uint16_t delayHundredths { 0 };
};

struct GifFrame {
    uint16_t left { 0 };
    uint16_t top { 0 };
    uint16_t width { 0 };
    uint16_t height { 0 };
    std::vector<uint8_t> indices; // width * height, top row first
    std::vector<RGB> localColors; // empty: none; padded to a power of two
    bool isInterlaced { false };
    std::optional<GifControl> control;
};

struct Gif {
    uint16_t width { 0 };
    uint16_t height { 0 };
    std::vector<RGB> globalColors; // padded to a power of two
    std::vector<GifFrame> frames;
    // Drops the global table after encoding, leaving frames without any colour table.
    bool stripGlobalColors { false };
};

std::vector<uint8_t> encodeGif(const Gif&);
// A frame filled with one index.
GifFrame solidFrame(uint16_t left, uint16_t top, uint16_t width, uint16_t height, uint8_t index);
// A frame whose index at (x, y) is (x + 2y + seed) % modulo: every row differs, so row order shows.
GifFrame patternFrame(uint16_t left, uint16_t top, uint16_t width, uint16_t height, unsigned seed, unsigned modulo);

// 8-bit RGBA, top row first.
std::vector<uint8_t> encodePng(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba);
// 8-bit RGB, quality 95.
std::vector<uint8_t> encodeJpeg(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb);

// Every frame's pixels through an image source made from the bytes (empty when there is no source).
std::vector<std::shared_ptr<const RGBAPixels>> decodeFrames(const std::vector<uint8_t>& file);

}
