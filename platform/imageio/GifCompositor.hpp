// Drawing GIF frames onto an RGBA canvas: opaque pixels over what is there, transparent and
// out-of-table indices leaving it as it is, the frame rectangle clipped to the canvas.
#pragma once

#include <coregraphics/CGImage.hpp>
#include <imageio/GifLzwDecoder.hpp>
#include <imageio/GifStructure.hpp>
#include <imageio/SavedPixels.hpp>

#include <cstdint>
#include <span>
#include <memory>
#include <utility>
#include <vector>

struct CanvasRect {
    size_t x { 0 };
    size_t y { 0 };
    size_t width { 0 };
    size_t height { 0 };

    bool isEmpty() const { return width == 0 || height == 0; }
};

namespace GifCompositor {

// The part of the frame's rectangle that lies on the canvas (possibly empty).
CanvasRect visibleRect(const GifStructure&, const GifFrameInfo&);
// True when drawing the frame sets every pixel of the canvas to an opaque colour, whatever was
// there, provided its data decodes whole.
bool coversCanvasOpaquely(const GifStructure&, const GifFrameInfo&);
// The smallest rectangle holding both.
CanvasRect unionRect(CanvasRect, CanvasRect);
// The rows decoded before any damage are drawn; the rest of the rectangle is left as it was.
GifFrameOutcome drawFrame(RGBAPixels& canvas, std::span<const uint8_t> file, const GifStructure&, const GifFrameInfo&, GifLzwDecoder&);
void clearRect(RGBAPixels& canvas, CanvasRect);
void saveRect(const RGBAPixels& canvas, CanvasRect, SavedPixels& saved);
void restoreRect(RGBAPixels& canvas, CanvasRect, const SavedPixels& saved);
// Between canvases of one size.
void copyRect(RGBAPixels& to, const RGBAPixels& from, CanvasRect);

}
