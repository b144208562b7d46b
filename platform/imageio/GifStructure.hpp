// The layout of a GIF file, found by walking its blocks without decompressing any frame: canvas
// size, colour tables (as places in the file) and, per frame, its rectangle, control data and
// where its image descriptor starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct GifColorTable {
    size_t offset { 0 }; // of the first RGB triple
    uint16_t count { 0 }; // 0: no table
};

enum class GifDisposal : uint8_t {
    None,
    Leave,
    RestoreBackground,
    RestorePrevious,
};

struct GifFrameInfo {
    size_t descriptorOffset { 0 }; // of the image separator
    size_t dataOffset { 0 }; // of the LZW minimum code size, the byte before the first sub-block
    uint8_t minimumCodeSize { 0 };
    // False when the file ends inside the frame's sub-blocks.
    bool isDataComplete { true };
    uint16_t left { 0 };
    uint16_t top { 0 };
    uint16_t width { 0 };
    uint16_t height { 0 };
    bool isInterlaced { false };
    GifColorTable localColors;
    bool hasControl { false };
    GifDisposal disposal { GifDisposal::None };
    int transparentIndex { -1 };
    uint16_t delayHundredths { 0 };
};

struct GifStructure {
    uint16_t width { 0 };
    uint16_t height { 0 };
    GifColorTable globalColors;
    std::vector<GifFrameInfo> frames;
};

// None when the bytes aren't a GIF, the canvas is empty or above the pixel budget, or no frame
// could be read. Damage after the first frame ends the frame list there; a frame whose compressed
// data is cut short is kept, since the part that is there can be shown.
std::optional<GifStructure> scanGifStructure(std::span<const uint8_t> bytes);

// The same scan, done as a file's bytes arrive: each call to advance walks the blocks that are
// whole in the bytes so far, while they are still in the cache, and finish walks the rest. The
// result is exactly that of scanGifStructure on the whole file.
class GifStructureScanner {
public:
    // `available` starts where every earlier one started, and is at least as long.
    void advance(std::span<const uint8_t> available);
    std::optional<GifStructure> finish(std::span<const uint8_t> bytes);

    // Control data read and not yet applied to a frame.
    struct Control {
        bool isPresent { false };
        GifDisposal disposal { GifDisposal::None };
        int transparentIndex { -1 };
        uint16_t delayHundredths { 0 };
    };

private:
    std::optional<GifStructure> m_structure;
    // Where the blocks not yet walked start, and the control data pending there.
    size_t m_position { 0 };
    Control m_control;
    bool m_isGif { true };
};
bool hasGifSignature(std::span<const uint8_t> bytes);
