#include <imageio/GifCompositor.hpp>

#include <algorithm>
#include <array>
#include <cstring>

namespace GifCompositor {

namespace {

// The frame's colours expanded once: each index's RGBA colour, and the mask of the canvas bits
// it keeps (all of them for the transparent index and indices outside the table, none otherwise),
// so that a pixel is written as colour | (canvas & keep) without a branch.
// Entry 256 stands for every index a code size above 8 can give beyond the largest table.
struct FramePalette {
    std::array<uint32_t, 257> colors {};
    std::array<uint32_t, 257> keep {};
    bool keepsAny { false };
};

const GifColorTable& frameTable(const GifStructure& structure, const GifFrameInfo& frame)
{
    return frame.localColors.count ? frame.localColors : structure.globalColors;
}

FramePalette framePalette(std::span<const uint8_t> file, const GifStructure& structure, const GifFrameInfo& frame)
{
    FramePalette palette;
    palette.keep.fill(0xFFFFFFFF);
    // A frame without any table draws nothing: every index is outside the (empty) map.
    const auto& table = frameTable(structure, frame);
    size_t count = std::min<size_t>(table.count, 256);
    for (size_t index = 0; index < count; ++index) {
        const uint8_t* rgb = file.data() + table.offset + 3 * index;
        const uint8_t rgba[4] = { rgb[0], rgb[1], rgb[2], 0xFF };
        std::memcpy(&palette.colors[index], rgba, 4);
        palette.keep[index] = 0;
    }
    if (frame.transparentIndex >= 0) {
        palette.colors[static_cast<size_t>(frame.transparentIndex)] = 0;
        palette.keep[static_cast<size_t>(frame.transparentIndex)] = 0xFFFFFFFF;
    }
    // Indices never reach the clear code, so only those below it matter.
    size_t reachable = frame.minimumCodeSize < 9 ? size_t { 1 } << frame.minimumCodeSize : palette.keep.size();
    palette.keepsAny = std::any_of(palette.keep.begin(), palette.keep.begin() + static_cast<long>(reachable), [](uint32_t keep) { return keep != 0; });
    return palette;
}

// Where each row in file order lands in the frame: interlaced rows come in four passes.
class RowOrder {
public:
    RowOrder(size_t height, bool isInterlaced)
    {
        if (!isInterlaced)
            return;
        m_isInterlaced = true;
        m_passEnds[0] = (height + 7) / 8;
        m_passEnds[1] = m_passEnds[0] + (height + 3) / 8;
        m_passEnds[2] = m_passEnds[1] + (height + 1) / 4;
    }

    size_t frameRow(size_t fileRow) const
    {
        if (!m_isInterlaced)
            return fileRow;
        if (fileRow < m_passEnds[0])
            return fileRow * 8;
        if (fileRow < m_passEnds[1])
            return (fileRow - m_passEnds[0]) * 8 + 4;
        if (fileRow < m_passEnds[2])
            return (fileRow - m_passEnds[1]) * 4 + 2;
        return (fileRow - m_passEnds[2]) * 2 + 1;
    }

    // How many rows in file order it takes to have every frame row above `visibleRows`.
    size_t fileRowsFor(size_t visibleRows, size_t height) const
    {
        if (!m_isInterlaced || visibleRows >= height)
            return visibleRows;
        size_t needed = 0;
        for (size_t fileRow = 0; fileRow < height; ++fileRow) {
            if (frameRow(fileRow) < visibleRows)
                needed = fileRow + 1;
        }
        return needed;
    }

private:
    bool m_isInterlaced { false };
    std::array<size_t, 3> m_passEnds {};
};

class CanvasRowWriter final : public GifRowSink {
public:
    CanvasRowWriter(RGBAPixels& canvas, const FramePalette& palette, const GifFrameInfo& frame, CanvasRect visible)
        : m_canvas(canvas)
        , m_palette(palette)
        , m_order(frame.height, frame.isInterlaced)
        , m_visible(visible)
        , m_firstIndex(visible.x - frame.left)
    {
    }

    const RowOrder& order() const { return m_order; }

    void takeRows(size_t first, size_t end, const uint8_t* indices, size_t rowLength) override
    {
        for (size_t fileRow = first; fileRow < end; ++fileRow, indices += rowLength) {
            size_t row = m_order.frameRow(fileRow);
            if (row >= m_visible.height)
                continue;
            uint8_t* out = rowStart(row);
            if (m_palette.keepsAny)
                blendRow(out, indices + m_firstIndex);
            else
                copyRow(out, indices + m_firstIndex);
        }
    }

    void takeWideRows(size_t first, size_t end, const uint16_t* indices, size_t rowLength) override
    {
        const uint32_t* colors = m_palette.colors.data();
        const uint32_t* keep = m_palette.keep.data();
        for (size_t fileRow = first; fileRow < end; ++fileRow, indices += rowLength) {
            size_t row = m_order.frameRow(fileRow);
            if (row >= m_visible.height)
                continue;
            uint8_t* out = rowStart(row);
            const uint16_t* in = indices + m_firstIndex;
            for (size_t x = 0; x < m_visible.width; ++x) {
                size_t index = std::min<size_t>(in[x], 256);
                uint32_t pixel;
                std::memcpy(&pixel, out + 4 * x, 4);
                pixel = colors[index] | (pixel & keep[index]);
                std::memcpy(out + 4 * x, &pixel, 4);
            }
        }
    }

private:
    uint8_t* rowStart(size_t row) const { return m_canvas.bytes.data() + ((m_visible.y + row) * m_canvas.width + m_visible.x) * 4; }

    void copyRow(uint8_t* out, const uint8_t* in) const
    {
        const uint32_t* colors = m_palette.colors.data();
        for (size_t x = 0; x < m_visible.width; ++x)
            std::memcpy(out + 4 * x, &colors[in[x]], 4);
    }

    void blendRow(uint8_t* out, const uint8_t* in) const
    {
        const uint32_t* colors = m_palette.colors.data();
        const uint32_t* keep = m_palette.keep.data();
        for (size_t x = 0; x < m_visible.width; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, out + 4 * x, 4);
            pixel = colors[in[x]] | (pixel & keep[in[x]]);
            std::memcpy(out + 4 * x, &pixel, 4);
        }
    }

    RGBAPixels& m_canvas;
    const FramePalette& m_palette;
    RowOrder m_order;
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

bool coversCanvasOpaquely(const GifStructure& structure, const GifFrameInfo& frame)
{
    auto visible = visibleRect(structure, frame);
    if (visible.width != structure.width || visible.height != structure.height)
        return false;
    if (frame.minimumCodeSize < 1 || frame.minimumCodeSize > 8)
        return false;
    unsigned reachable = 1u << frame.minimumCodeSize;
    if (frame.transparentIndex >= 0 && static_cast<unsigned>(frame.transparentIndex) < reachable)
        return false;
    return frameTable(structure, frame).count >= reachable;
}

GifFrameOutcome drawFrame(RGBAPixels& canvas, std::span<const uint8_t> file, const GifStructure& structure, const GifFrameInfo& frame, GifLzwDecoder& decoder)
{
    auto visible = visibleRect(structure, frame);
    if (visible.isEmpty())
        return GifFrameOutcome::Complete;
    auto palette = framePalette(file, structure, frame);
    CanvasRowWriter writer(canvas, palette, frame, visible);
    return decoder.decode(file, frame, writer.order().fileRowsFor(visible.height, frame.height), writer);
}

CanvasRect unionRect(CanvasRect a, CanvasRect b)
{
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    size_t x = std::min(a.x, b.x);
    size_t y = std::min(a.y, b.y);
    return { x, y, std::max(a.x + a.width, b.x + b.width) - x, std::max(a.y + a.height, b.y + b.height) - y };
}

void clearRect(RGBAPixels& canvas, CanvasRect rect)
{
    for (size_t y = rect.y; y < rect.y + rect.height; ++y)
        std::memset(canvas.bytes.data() + (y * canvas.width + rect.x) * 4, 0, rect.width * 4);
}

void saveRect(const RGBAPixels& canvas, CanvasRect rect, SavedPixels& saved)
{
    saved.resize(rect.width * rect.height * 4);
    if (saved.empty())
        return;
    size_t rowBytes = rect.width * 4;
    for (size_t row = 0; row < rect.height; ++row)
        std::memcpy(saved.data() + row * rowBytes, canvas.bytes.data() + ((rect.y + row) * canvas.width + rect.x) * 4, rowBytes);
}

void restoreRect(RGBAPixels& canvas, CanvasRect rect, const SavedPixels& saved)
{
    size_t rowBytes = rect.width * 4;
    if (saved.empty() || saved.size() != rowBytes * rect.height)
        return;
    for (size_t row = 0; row < rect.height; ++row)
        std::memcpy(canvas.bytes.data() + ((rect.y + row) * canvas.width + rect.x) * 4, saved.data() + row * rowBytes, rowBytes);
}

void copyRect(RGBAPixels& to, const RGBAPixels& from, CanvasRect rect)
{
    for (size_t y = rect.y; y < rect.y + rect.height; ++y) {
        size_t offset = (y * to.width + rect.x) * 4;
        std::memcpy(to.bytes.data() + offset, from.bytes.data() + offset, rect.width * 4);
    }
}

}
