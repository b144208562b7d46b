#include "GiflibReference.hpp"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace GiflibReference {

namespace {

struct ByteStream {
    std::span<const uint8_t> bytes;
    size_t offset { 0 };
};

int readBytes(GifFileType* gif, GifByteType* out, int length)
{
    auto* stream = static_cast<ByteStream*>(gif->UserData);
    size_t count = std::min(static_cast<size_t>(std::max(length, 0)), stream->bytes.size() - stream->offset);
    std::memcpy(out, stream->bytes.data() + stream->offset, count);
    stream->offset += count;
    return static_cast<int>(count);
}

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

struct Control {
    int disposal { 0 };
    int transparentIndex { -1 };
};

Control controlOf(const SavedImage& image)
{
    Control control;
    for (int i = 0; i < image.ExtensionBlockCount; ++i) {
        const auto& block = image.ExtensionBlocks[i];
        if (block.Function == GRAPHICS_EXT_FUNC_CODE && block.ByteCount >= 4) {
            control.disposal = (block.Bytes[0] >> 2) & 7;
            control.transparentIndex = (block.Bytes[0] & 1) ? block.Bytes[3] : -1;
        }
    }
    return control;
}

struct Rect {
    size_t x { 0 }, y { 0 }, width { 0 }, height { 0 };
};

Rect clipped(const Canvas& canvas, const GifImageDesc& desc)
{
    auto left = static_cast<size_t>(desc.Left), top = static_cast<size_t>(desc.Top);
    if (left >= canvas.width || top >= canvas.height)
        return {};
    return { left, top, std::min(static_cast<size_t>(desc.Width), canvas.width - left), std::min(static_cast<size_t>(desc.Height), canvas.height - top) };
}

void copyRect(const Canvas& canvas, Rect rect, std::vector<uint8_t>& saved)
{
    saved.clear();
    for (size_t y = rect.y; y < rect.y + rect.height; ++y) {
        auto row = canvas.rgba.begin() + static_cast<long>((y * canvas.width + rect.x) * 4);
        saved.insert(saved.end(), row, row + static_cast<long>(rect.width * 4));
    }
}

void pasteRect(Canvas& canvas, Rect rect, const std::vector<uint8_t>* saved)
{
    for (size_t y = rect.y; y < rect.y + rect.height; ++y) {
        uint8_t* row = canvas.rgba.data() + (y * canvas.width + rect.x) * 4;
        if (saved)
            std::memcpy(row, saved->data() + (y - rect.y) * rect.width * 4, rect.width * 4);
        else
            std::memset(row, 0, rect.width * 4);
    }
}

void draw(Canvas& canvas, const SavedImage& image, const ColorMapObject* map, Rect rect, int transparentIndex)
{
    if (!map)
        return;
    auto frameWidth = static_cast<size_t>(image.ImageDesc.Width);
    for (size_t y = 0; y < rect.height; ++y) {
        for (size_t x = 0; x < rect.width; ++x) {
            int index = image.RasterBits[y * frameWidth + x];
            if (index == transparentIndex || index >= map->ColorCount)
                continue;
            uint8_t* pixel = canvas.rgba.data() + ((rect.y + y) * canvas.width + rect.x + x) * 4;
            const auto& color = map->Colors[index];
            pixel[0] = color.Red, pixel[1] = color.Green, pixel[2] = color.Blue, pixel[3] = 255;
        }
    }
}

}

bool compositeFrames(std::span<const uint8_t> file, const std::function<void(const Canvas&)>& frame)
{
    ByteStream stream { file };
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&stream, readBytes, &error));
    if (!gif || DGifSlurp(gif.get()) != GIF_OK)
        return false;
    Canvas canvas { static_cast<size_t>(gif->SWidth), static_cast<size_t>(gif->SHeight), {} };
    canvas.rgba.assign(canvas.width * canvas.height * 4, 0);
    std::vector<uint8_t> saved;
    Control previous;
    Rect previousRect;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        if (previous.disposal == 2)
            pasteRect(canvas, previousRect, nullptr);
        else if (previous.disposal == 3 || previous.disposal == 4)
            pasteRect(canvas, previousRect, &saved);
        auto control = controlOf(image);
        auto rect = clipped(canvas, image.ImageDesc);
        if (control.disposal == 3 || control.disposal == 4)
            copyRect(canvas, rect, saved);
        draw(canvas, image, image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap, rect, control.transparentIndex);
        frame(canvas);
        previous = control;
        previousRect = rect;
    }
    return true;
}

std::vector<Canvas> allFrames(std::span<const uint8_t> file)
{
    std::vector<Canvas> frames;
    if (!compositeFrames(file, [&](const Canvas& canvas) { frames.push_back(canvas); }))
        return {};
    return frames;
}

}
