#include <imageio/CGImageSource.hpp>
#include <imageio/PixelBuffer.hpp>
#include <imageio/PngDecoder.hpp>

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <vector>

namespace PngDecoder {

namespace {

// Text and other side chunks may not make libpng allocate more than this.
constexpr png_alloc_size_t maxChunkBytes = 8 << 20;

struct MemoryReader {
    std::span<const uint8_t> bytes;
    size_t position { 0 };
};

void readFromMemory(png_structp png, png_bytep out, size_t length)
{
    auto& reader = *static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader.bytes.size() - reader.position)
        png_error(png, "data ends early");
    std::memcpy(out, reader.bytes.data() + reader.position, length);
    reader.position += length;
}

void ignoreWarning(png_structp, png_const_charp) { }
void jumpOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Owns libpng's read state; errors come back through setjmp in the functions below, which hold
// nothing that needs destroying across the jump.
class PngReadState {
public:
    explicit PngReadState(std::span<const uint8_t> bytes)
        : m_reader { bytes }
    {
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpOnError, ignoreWarning);
        if (m_png)
            m_info = png_create_info_struct(m_png);
        if (m_info) {
            png_set_read_fn(m_png, &m_reader, readFromMemory);
            png_set_user_limits(m_png, 1 << 16, 1 << 16);
            png_set_chunk_malloc_max(m_png, maxChunkBytes);
        }
    }
    PngReadState(const PngReadState&) = delete;
    PngReadState& operator=(const PngReadState&) = delete;
    ~PngReadState() { png_destroy_read_struct(&m_png, m_info ? &m_info : nullptr, nullptr); }

    bool isValid() const { return m_info != nullptr; }
    png_structp png() const { return m_png; }
    png_infop info() const { return m_info; }

private:
    MemoryReader m_reader;
    png_structp m_png { nullptr };
    png_infop m_info { nullptr };
};

bool readHeader(png_structp png, png_infop info, PixelSize& size)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    size.width = png_get_image_width(png, info);
    size.height = png_get_image_height(png, info);
    return size.width > 0 && size.height > 0 && size.width * size.height <= ImageIOLimits::maxPixels;
}

// Every colour type and depth becomes 8-bit RGBA.
bool setRGBAOutput(png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == png_get_image_width(png, info) * 4;
}

bool readRows(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    return true;
}

}

bool hasSignature(std::span<const uint8_t> bytes)
{
    return bytes.size() >= 8 && png_sig_cmp(bytes.data(), 0, 8) == 0;
}

std::optional<PixelSize> readSize(std::span<const uint8_t> bytes)
{
    PngReadState state(bytes);
    PixelSize size;
    if (!state.isValid() || !readHeader(state.png(), state.info(), size))
        return std::nullopt;
    return size;
}

std::shared_ptr<RGBAPixels> decode(std::span<const uint8_t> bytes)
{
    PngReadState state(bytes);
    PixelSize size;
    if (!state.isValid() || !readHeader(state.png(), state.info(), size) || !setRGBAOutput(state.png(), state.info()))
        return nullptr;
    auto pixels = PixelBuffer::create(size.width, size.height);
    if (!pixels)
        return nullptr;
    std::vector<png_bytep> rows(size.height);
    for (size_t y = 0; y < size.height; ++y)
        rows[y] = pixels->bytes.data() + y * size.width * 4;
    readRows(state.png(), rows.data());
    PixelBuffer::noteFrameDecoded();
    return pixels;
}

}
