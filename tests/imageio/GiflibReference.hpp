// The yardstick for the GIF decoder: giflib decodes the whole file (DGifSlurp) and a plain RGBA
// compositor draws its frames, the same rules as the image source (transparent start, disposals
// 2, 3 and 4, control data from the last control block before the image, clipped rectangles,
// indices outside the table left alone). Shared by the tests, the benchmarks and the fuzzers.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace GiflibReference {

struct Canvas {
    size_t width { 0 };
    size_t height { 0 };
    std::vector<uint8_t> rgba;
};

// Calls `frame` with the canvas after each frame; false when giflib refuses the file.
bool compositeFrames(std::span<const uint8_t> file, const std::function<void(const Canvas&)>& frame);
// Every frame's canvas; empty when giflib refuses the file.
std::vector<Canvas> allFrames(std::span<const uint8_t> file);

}
