// Hooks for tests: sources built from given frames and properties, so that values no file can hold
// go through the same calls as files do, and counters that show when pixels are decoded.
#pragma once

#include <imageio/CGImageSource.hpp>

#include <optional>
#include <vector>

// Either may be null; the source retains both.
struct CGImageSourceSyntheticFrame {
    CGImageRef image { nullptr };
    CFDictionaryRef properties { nullptr };
};

// CreateImageAtIndex gives +1 of the frame's image (or null), CopyPropertiesAtIndex +1 of its
// dictionary (or null).
CGImageSourceRef CGImageSourceCreateSynthetic(std::vector<CGImageSourceSyntheticFrame>);

// An owned frame property dictionary holding a GIF sub-dictionary with the delays that are given;
// an absent delay leaves its key out. (An empty CFDictionaryCreateMutable() has no GIF sub-dictionary.)
CFDictionaryRef CGImageSourceCreateGIFProperties(std::optional<double> unclampedDelay, std::optional<double> clampedDelay);

// Frames whose pixels have been decoded in this process, all formats together.
long CGImageSourceGetDecodedFrameCount();
// Decoded pixel buffers (GIF canvases, PNG and JPEG pixels) that are still alive.
long CGImageSourceGetLiveCanvasCount();

enum class CGImageSourceFrameDecoding {
    Complete,
    CutShort, // the frame's data ended early or broke off; the part before it is drawn
    Failed, // nothing of the frame could be decoded
};

// Decodes the frame when it hasn't been yet. A still image is Complete or Failed.
CGImageSourceFrameDecoding CGImageSourceCheckFrame(CGImageSourceRef, size_t index);
