#include "GifReader.hpp"

#include <cstring>
#include <gif_lib.h>
#include <memory>

namespace gifgen::testing {

namespace {

struct ByteStream {
    std::span<const uint8_t> bytes;
    size_t offset { 0 };
};

int readBytes(GifFileType* gif, GifByteType* out, int length)
{
    auto* stream = static_cast<ByteStream*>(gif->UserData);
    size_t count = std::min(static_cast<size_t>(length), stream->bytes.size() - stream->offset);
    std::memcpy(out, stream->bytes.data() + stream->offset, count);
    stream->offset += count;
    return static_cast<int>(count);
}

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

std::optional<int> loopCount(const SavedImage& image)
{
    for (int i = 0; i + 1 < image.ExtensionBlockCount; ++i) {
        auto& block = image.ExtensionBlocks[i];
        auto& data = image.ExtensionBlocks[i + 1];
        bool isLoop = block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 && !std::memcmp(block.Bytes, "NETSCAPE2.0", 11);
        if (isLoop && data.ByteCount >= 3)
            return data.Bytes[1] | data.Bytes[2] << 8;
    }
    return std::nullopt;
}

ReadFrame readFrame(GifFileType* gif, int index)
{
    const SavedImage& image = gif->SavedImages[index];
    ReadFrame frame;
    frame.left = static_cast<size_t>(image.ImageDesc.Left);
    frame.top = static_cast<size_t>(image.ImageDesc.Top);
    frame.width = static_cast<size_t>(image.ImageDesc.Width);
    frame.height = static_cast<size_t>(image.ImageDesc.Height);
    frame.indices.assign(image.RasterBits, image.RasterBits + frame.width * frame.height);
    GraphicsControlBlock control;
    if (DGifSavedExtensionToGCB(gif, index, &control) == GIF_OK) {
        frame.delay = static_cast<uint16_t>(control.DelayTime);
        if (control.TransparentColor != NO_TRANSPARENT_COLOR)
            frame.transparentIndex = static_cast<uint8_t>(control.TransparentColor);
    }
    return frame;
}

}

std::optional<ReadGif> readGif(std::span<const uint8_t> bytes)
{
    ByteStream stream { bytes };
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&stream, readBytes, &error));
    if (!gif || DGifSlurp(gif.get()) != GIF_OK || !gif->SColorMap)
        return std::nullopt;
    ReadGif result;
    result.width = static_cast<size_t>(gif->SWidth);
    result.height = static_cast<size_t>(gif->SHeight);
    result.colorCount = static_cast<size_t>(gif->SColorMap->ColorCount);
    for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
        auto& color = gif->SColorMap->Colors[i];
        result.colors.push_back({ color.Red, color.Green, color.Blue });
    }
    for (int i = 0; i < gif->ImageCount; ++i) {
        if (!result.loopCount)
            result.loopCount = loopCount(gif->SavedImages[i]);
        result.frames.push_back(readFrame(gif.get(), i));
    }
    return result;
}

std::vector<uint8_t> ReadGif::composite(size_t frameIndex) const
{
    // The generator writes frames that stay in place (no disposal), which is all this needs to follow.
    std::vector<uint8_t> canvas(width * height * 4, 0);
    for (size_t i = 0; i <= frameIndex && i < frames.size(); ++i) {
        auto& frame = frames[i];
        for (size_t y = 0; y < frame.height && frame.top + y < height; ++y) {
            for (size_t x = 0; x < frame.width && frame.left + x < width; ++x) {
                uint8_t index = frame.indices[y * frame.width + x];
                if (index == frame.transparentIndex || index >= colors.size())
                    continue;
                uint8_t* pixel = &canvas[((frame.top + y) * width + frame.left + x) * 4];
                pixel[0] = colors[index][0], pixel[1] = colors[index][1], pixel[2] = colors[index][2], pixel[3] = 255;
            }
        }
    }
    return canvas;
}

}
