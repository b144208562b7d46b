// Animated GIFs made in code: the five pictures shipped in the settings bundle, a large picture for
// the decoding benchmarks, and an encoder that lets tests build GIFs of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace gifgen {

struct Frame {
    std::vector<uint8_t> rgba; // width * height * 4 bytes, row-major, not premultiplied
    uint16_t delay { 10 }; // hundredths of a second
};

struct EncodeOptions {
    int colors { 256 }; // 2 to 256; fewer colours make smaller files
    float dithering { 0.5f }; // 0 (none) to 1 (full); dithering hides banding but costs bytes
};

// One looping animated GIF of the frames, quantised to a palette shared by all frames.
// Pixels with alpha below 128 come out transparent; frames are laid over the ones before (never
// cleared), so in a later frame such pixels show what the earlier frames left there.
// Empty when the size is 0 or above 65535, when there are no frames, or when a frame's pixel buffer
// does not match the size.
std::vector<uint8_t> encodeGif(size_t width, size_t height, const std::vector<Frame>& frames, EncodeOptions = {});

// A 1170 x 2532, 60-frame animated GIF, the same bytes on every call.
std::vector<uint8_t> largeBenchmarkGif();

// The same canvas as an optimised picture: a first frame that fills it, then small moving
// rectangles with transparency, every disposal value, interlaced and local-table frames now and
// then; about 3 to 4 MB at 120 frames.
std::vector<uint8_t> optimisedBenchmarkGif(size_t frames = 120);

// Frames that each cover the whole canvas in one colour (red flatFrameShade(frame), green 255 minus
// that, blue 128) over the frames before: a few kilobytes a frame whatever the size, yet making
// frame N means drawing every frame before it.
std::vector<uint8_t> flatFramesGif(uint16_t width, uint16_t height, size_t frames, uint16_t delayHundredths);
// Distinct for 256 frames in a row.
uint8_t flatFrameShade(size_t frame);
// Such a picture on a 4096 x 4096 canvas, the largest an image source takes: 16.7 M pixels a frame.
std::vector<uint8_t> costlyBenchmarkGif(size_t frames = 1000, uint16_t delayHundredths = 2);

inline constexpr uint16_t costlyGifSide = 4096;
inline constexpr size_t benchmarkGifWidth = 1170;
inline constexpr size_t benchmarkGifHeight = 2532;
inline constexpr size_t benchmarkGifFrameCount = 60;

// Small GIFs for the decoder's fuzzing corpus, by file name: every code size, a table that fills
// without a clear code, interlaced rows cut short, early and invalid codes, every disposal.
std::vector<std::pair<std::string, std::vector<uint8_t>>> decoderSeeds();

// A user's own animated GIF (a sunset over the sea, 240 x 520), for the simulated photo library.
std::vector<uint8_t> photoLibrarySample();

// The names of the shipped pictures, in the order of the picture choice (0 to 4).
const std::vector<std::string>& shippedPictureNames();

// One shipped picture, by its place in that order; empty when there is none at that place.
std::vector<uint8_t> shippedPicture(size_t index);

// Renders and writes the shipped pictures into the directory, creating it when needed.
// On failure the reason is in error and some pictures may be missing.
bool writeShippedPictures(const std::filesystem::path& directory, std::string& error);

}
