// GIFs written block by block, for tests, fuzzing seeds and benchmarks: any LZW minimum code size
// (1 to 11), compression with or without clear codes when the table fills, codes written by hand,
// and damage put in on purpose (cut sub-blocks, missing terminators, early end codes).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace gifgen {

using Rgb8 = std::array<uint8_t, 3>;

struct LzwOptions {
    // Codes up to 12 bits; when the table is full the encoder either sends a clear code or, with
    // deferredClear, goes on with the table as it is.
    bool deferredClear { false };
    // A clear code after every this many codes as well (0: only as above).
    size_t clearEvery { 0 };
};

// The codes of `indices` (each below 2^minimumCodeSize), from the first clear code to the end code.
std::vector<uint16_t> lzwCodes(std::span<const uint16_t> indices, unsigned minimumCodeSize, LzwOptions = {});
// Codes packed least significant bit first, each as wide as a decoder reads it at that point.
std::vector<uint8_t> packCodes(std::span<const uint16_t> codes, unsigned minimumCodeSize);
// Bytes as sub-blocks of up to blockSize bytes, with the terminator unless told otherwise.
std::vector<uint8_t> subBlocks(std::span<const uint8_t> data, size_t blockSize = 255, bool isTerminated = true);

struct ImageBlock {
    uint16_t left { 0 };
    uint16_t top { 0 };
    uint16_t width { 0 };
    uint16_t height { 0 };
    bool isInterlaced { false };
    std::vector<Rgb8> localColors; // empty: none; padded to a power of two
};

class GifBuilder {
public:
    // globalColors empty: no global table; else padded to a power of two.
    GifBuilder(uint16_t width, uint16_t height, std::vector<Rgb8> globalColors);

    GifBuilder& loop();
    GifBuilder& control(unsigned disposal, int transparentIndex = -1, uint16_t delayHundredths = 0);
    // An image whose pixels (top row first, whatever isInterlaced says) are compressed here.
    GifBuilder& image(const ImageBlock&, std::span<const uint16_t> pixels, unsigned minimumCodeSize = 8, LzwOptions = {});
    // An image whose data (minimum code size byte excluded) is given as is.
    GifBuilder& rawImage(const ImageBlock&, unsigned minimumCodeSize, std::span<const uint8_t> data);
    GifBuilder& bytes(std::span<const uint8_t>);
    // The file with its trailer.
    std::vector<uint8_t> finish() const;
    // The file as written so far, without a trailer.
    const std::vector<uint8_t>& written() const { return m_bytes; }

private:
    void colorTable(const std::vector<Rgb8>&);
    std::vector<uint8_t> m_bytes;
};

// Pixels of an image in file order: interlaced rows by pass.
std::vector<uint16_t> inFileOrder(std::span<const uint16_t> pixels, size_t width, size_t height, bool isInterlaced);

}
