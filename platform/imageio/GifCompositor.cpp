#include <imageio/GifCompositor.hpp>
#include <imageio/GifFrameReader.hpp>

#include <algorithm>
#include <array>
#include <cstring>

namespace GifCompositor {

namespace {

// RGBA colours as stored in the canvas; 0 (alpha 0) marks an index that leaves the canvas as it is.
using Palette = std::array<uint32_t, 256>;

uint32_t opaqueColor(const uint8_t* rgb)
{
    const uint8_t rgba[4] = { rgb[0], rgb[1], rgb[2], 0xFF };
    uint32_t color;
    std::memcpy(&color, rgba, 4);
    return color;
}

Palette framePalette(std::span<const uint8_t> file, const GifStructure& structure, const GifFrameInfo& frame)
{
    Palette palette {};
    // A frame without any table draws nothing: every index is outside the (empty) map.
    const auto& table = frame.localColors.count ? frame.localColors : structure.globalColors;
    size_t count = std::min<size_t>(table.count, palette.size());
    for (size_t index = 0; index < count; ++index)
        palette[index] = opaqueColor(file.data() + table.offset + 3 * index);
    if (frame.transparentIndex >= 0)
        palette[static_cast<size_t>(frame.transparentIndex)] = 0;
    return palette;
}

class CanvasRowWriter final : public GifRowSink {
public:
    CanvasRowWriter(RGBAPixels& canvas, const Palette& palette, const GifFrameInfo& frame, CanvasRect visible)
        : m_canvas(canvas)
        , m_palette(palette)
        , m_visible(visible)
        , m_firstIndex(visible.x - frame.left)
    {
    }

    void takeRow(size_t row, const uint8_t* indices) override
    {
        uint8_t* out = m_canvas.bytes.data() + ((m_visible.y + row) * m_canvas.width + m_visible.x) * 4;
        const uint8_t* in = indices + m_firstIndex;
        for (size_t x = 0; x < m_visible.width; ++x) {
            uint32_t color = m_palette[in[x]];
            if (color)
                std::memcpy(out + 4 * x, &color, 4);
        }
    }

private:
    RGBAPixels& m_canvas;
    const Palette& m_palette;
    CanvasRect m_visible;
    size_t m_firstIndex;
};

}

CanvasRect visibleRect(const GifStructure& structure, const GifFrameInfo& frame)
{
    if (frame.left >= structure.width || frame.top >= structure.height || frame.width == 0 || frame.height == 0)
        return {};
    return {
        frame.left,
        frame.top,
        std::min<size_t>(frame.width, structure.width - frame.left),
        std::min<size_t>(frame.height, structure.height - frame.top),
    };
}

bool drawFrame(RGBAPixels& canvas, std::span<const uint8_t> file, const GifStructure& structure, const GifFrameInfo& frame)
{
    auto visible = visibleRect(structure, frame);
    if (visible.width == 0)
        return true;
    auto palette = framePalette(file, structure, frame);
    CanvasRowWriter writer(canvas, palette, frame, visible);
    return readGifFrameRows(file, structure, frame, visible.height, writer);
}

void clearRect(RGBAPixels& canvas, CanvasRect rect)
{
    for (size_t y = rect.y; y < rect.y + rect.height; ++y)
        std::memset(canvas.bytes.data() + (y * canvas.width + rect.x) * 4, 0, rect.width * 4);
}

void saveRect(const RGBAPixels& canvas, CanvasRect rect, std::vector<uint8_t>& saved)
{
    saved.resize(rect.width * rect.height * 4);
    if (saved.empty())
        return;
    size_t rowBytes = rect.width * 4;
    for (size_t row = 0; row < rect.height; ++row)
        std::memcpy(saved.data() + row * rowBytes, canvas.bytes.data() + ((rect.y + row) * canvas.width + rect.x) * 4, rowBytes);
}

void restoreRect(RGBAPixels& canvas, CanvasRect rect, const std::vector<uint8_t>& saved)
{
    size_t rowBytes = rect.width * 4;
    if (saved.empty() || saved.size() != rowBytes * rect.height)
        return;
    for (size_t row = 0; row < rect.height; ++row)
        std::memcpy(canvas.bytes.data() + ((rect.y + row) * canvas.width + rect.x) * 4, saved.data() + row * rowBytes, rowBytes);
}

}
