// Drawing GIF frames onto an RGBA canvas: opaque pixels over what is there, transparent and
// out-of-table indices leaving it as it is, the frame rectangle clipped to the canvas.
#pragma once

#include <coregraphics/CGImage.hpp>
#include <imageio/GifStructure.hpp>

#include <cstdint>
#include <span>
#include <vector>

struct CanvasRect {
    size_t x { 0 };
    size_t y { 0 };
    size_t width { 0 };
    size_t height { 0 };
};

namespace GifCompositor {

// The part of the frame's rectangle that lies on the canvas (possibly empty).
CanvasRect visibleRect(const GifStructure&, const GifFrameInfo&);
// False when the frame's data ended or was corrupt; the rows read until then are drawn.
bool drawFrame(RGBAPixels& canvas, std::span<const uint8_t> file, const GifStructure&, const GifFrameInfo&);
void clearRect(RGBAPixels& canvas, CanvasRect);
void saveRect(const RGBAPixels& canvas, CanvasRect, std::vector<uint8_t>& saved);
void restoreRect(RGBAPixels& canvas, CanvasRect, const std::vector<uint8_t>& saved);

}
