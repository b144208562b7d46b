#include "imageio/TestImages.hpp"

#include <imageio/CGImageSource.hpp>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include <cstdio>
#include <stdexcept>

namespace TestImages {

namespace {

int appendBytes(GifFileType* gif, const GifByteType* bytes, int length)
{
    static_cast<std::vector<uint8_t>*>(gif->UserData)->insert(static_cast<std::vector<uint8_t>*>(gif->UserData)->end(), bytes, bytes + length);
    return length;
}

ColorMapObject* makeColorMap(const std::vector<RGB>& colors)
{
    if (colors.empty())
        return nullptr;
    int size = 2;
    while (size < static_cast<int>(colors.size()))
        size *= 2;
    std::vector<GifColorType> entries(static_cast<size_t>(size));
    for (size_t i = 0; i < colors.size(); ++i)
        entries[i] = { colors[i][0], colors[i][1], colors[i][2] };
    return GifMakeMapObject(size, entries.data());
}

void check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string("can't encode the test GIF: ") + what);
}

void putFrame(GifFileType* gif, const GifFrame& frame)
{
    if (frame.control) {
        const auto& control = *frame.control;
        GifByteType extension[4] = {
            static_cast<GifByteType>((control.disposal & 7) << 2 | (control.transparentIndex >= 0 ? 1 : 0)),
            static_cast<GifByteType>(control.delayHundredths & 0xFF),
            static_cast<GifByteType>(control.delayHundredths >> 8),
            static_cast<GifByteType>(control.transparentIndex >= 0 ? control.transparentIndex : 0),
        };
        check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK, "control");
    }
    ColorMapObject* local = makeColorMap(frame.localColors);
    check(EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.isInterlaced, local) == GIF_OK, "descriptor");
    GifFreeMapObject(local);
    // The encoder takes rows in file order: by pass when interlaced.
    std::vector<int> order;
    if (frame.isInterlaced) {
        for (auto [start, step] : { std::pair { 0, 8 }, { 4, 8 }, { 2, 4 }, { 1, 2 } }) {
            for (int row = start; row < frame.height; row += step)
                order.push_back(row);
        }
    } else {
        for (int row = 0; row < frame.height; ++row)
            order.push_back(row);
    }
    std::vector<GifPixelType> line(frame.width);
    for (int row : order) {
        std::copy_n(frame.indices.begin() + row * frame.width, frame.width, line.begin());
        check(EGifPutLine(gif, line.data(), frame.width) == GIF_OK, "line");
    }
    // giflib's encoder drops, without freeing, a local table when the next frame has none.
    GifFreeMapObject(gif->Image.ColorMap);
    gif->Image.ColorMap = nullptr;
}

}

std::vector<uint8_t> encodeGif(const Gif& description)
{
    std::vector<uint8_t> bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, appendBytes, &error);
    check(gif, "open");
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = makeColorMap(description.globalColors);
    check(EGifPutScreenDesc(gif, description.width, description.height, 8, 0, global) == GIF_OK, "screen");
    GifFreeMapObject(global);
    for (const auto& frame : description.frames)
        putFrame(gif, frame);
    check(EGifCloseFile(gif, &error) == GIF_OK, "close");
    if (description.stripGlobalColors && (bytes[10] & 0x80)) {
        size_t tableBytes = size_t { 3 } << ((bytes[10] & 7) + 1);
        bytes[10] &= 0x7F;
        bytes.erase(bytes.begin() + 13, bytes.begin() + 13 + static_cast<long>(tableBytes));
    }
    return bytes;
}

GifFrame solidFrame(uint16_t left, uint16_t top, uint16_t width, uint16_t height, uint8_t index)
{
    return { left, top, width, height, std::vector<uint8_t>(size_t { width } * height, index), {}, false, std::nullopt };
}

GifFrame patternFrame(uint16_t left, uint16_t top, uint16_t width, uint16_t height, unsigned seed, unsigned modulo)
{
    auto frame = solidFrame(left, top, width, height, 0);
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < width; ++x)
            frame.indices[y * width + x] = static_cast<uint8_t>((x + 2 * y + seed) % modulo);
    }
    return frame;
}

std::vector<uint8_t> encodePng(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_get_memory_size(image, size, 0, rgba.data(), 0, nullptr);
    std::vector<uint8_t> bytes(size);
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, rgba.data(), 0, nullptr))
        throw std::runtime_error("can't encode the test PNG");
    bytes.resize(size);
    return bytes;
}

std::vector<uint8_t> encodeJpeg(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgb)
{
    jpeg_compress_struct info {};
    jpeg_error_mgr error {};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < height) {
        auto* row = const_cast<JSAMPLE*>(rgb.data() + size_t { info.next_scanline } * width * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

std::vector<std::shared_ptr<const RGBAPixels>> decodeFrames(const std::vector<uint8_t>& file)
{
    auto data = std::make_shared<NSData>(file);
    auto source = CGImageSourceCreateWithData(data.get(), nullptr);
    std::vector<std::shared_ptr<const RGBAPixels>> frames;
    for (size_t index = 0; index < CGImageSourceGetCount(source); ++index) {
        auto image = CGImageSourceCreateImageAtIndex(source, index, nullptr);
        frames.push_back(CGImageGetPixels(image));
        CGImageRelease(image);
    }
    if (source)
        CFRelease(source);
    return frames;
}

}
