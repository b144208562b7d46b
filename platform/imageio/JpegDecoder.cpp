#include <imageio/CGImageSource.hpp>
#include <imageio/JpegDecoder.hpp>
#include <imageio/PixelBuffer.hpp>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace JpegDecoder {

namespace {

// A progressive file can hold any number of scans; past this many it is treated as hostile.
constexpr int maxScans = 500;

struct ErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void jumpOnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1);
}

void ignoreMessage(j_common_ptr, int) { }
void ignoreOutput(j_common_ptr) { }

void limitScans(j_common_ptr info)
{
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > maxScans)
        jumpOnError(info);
}

// Owns libjpeg's decompression state; errors come back through setjmp in the functions below,
// which hold nothing that needs destroying across the jump.
class JpegReadState {
public:
    explicit JpegReadState(std::span<const uint8_t> bytes)
    {
        m_info.err = jpeg_std_error(&m_error.manager);
        m_error.manager.error_exit = jumpOnError;
        m_error.manager.emit_message = ignoreMessage;
        m_error.manager.output_message = ignoreOutput;
        m_progress.progress_monitor = limitScans;
        m_bytes = bytes;
    }
    JpegReadState(const JpegReadState&) = delete;
    JpegReadState& operator=(const JpegReadState&) = delete;
    ~JpegReadState()
    {
        if (m_isCreated)
            jpeg_destroy_decompress(&m_info);
    }

    bool readHeader(PixelSize& size)
    {
        if (setjmp(m_error.jump))
            return false;
        jpeg_create_decompress(&m_info);
        m_isCreated = true;
        m_info.progress = &m_progress;
        jpeg_mem_src(&m_info, m_bytes.data(), static_cast<unsigned long>(m_bytes.size()));
        if (jpeg_read_header(&m_info, TRUE) != JPEG_HEADER_OK)
            return false;
        size = { m_info.image_width, m_info.image_height };
        return size.width > 0 && size.height > 0 && size.width * size.height <= ImageIOLimits::maxPixels;
    }

    bool readPixels(RGBAPixels& pixels)
    {
        if (setjmp(m_error.jump))
            return false;
        bool isCMYK = m_info.jpeg_color_space == JCS_CMYK || m_info.jpeg_color_space == JCS_YCCK;
        m_info.out_color_space = isCMYK ? JCS_CMYK : JCS_EXT_RGBA;
        jpeg_start_decompress(&m_info);
        if (m_info.output_width != pixels.width || m_info.output_height != pixels.height || m_info.output_components != 4)
            return false;
        while (m_info.output_scanline < m_info.output_height) {
            JSAMPROW row = pixels.bytes.data() + size_t { m_info.output_scanline } * pixels.width * 4;
            jpeg_read_scanlines(&m_info, &row, 1);
        }
        if (isCMYK)
            convertCMYK(pixels);
        return true;
    }

private:
    // Files with four channels store inverted CMYK, as the tools that write them do.
    static void convertCMYK(RGBAPixels& pixels)
    {
        for (size_t i = 0; i + 4 <= pixels.bytes.size(); i += 4) {
            unsigned k = pixels.bytes[i + 3];
            for (size_t c = 0; c < 3; ++c)
                pixels.bytes[i + c] = static_cast<uint8_t>(pixels.bytes[i + c] * k / 255);
            pixels.bytes[i + 3] = 0xFF;
        }
    }

    std::span<const uint8_t> m_bytes;
    jpeg_decompress_struct m_info {};
    ErrorJump m_error {};
    jpeg_progress_mgr m_progress {};
    bool m_isCreated { false };
};

}

bool hasSignature(std::span<const uint8_t> bytes)
{
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

std::optional<PixelSize> readSize(std::span<const uint8_t> bytes)
{
    JpegReadState state(bytes);
    PixelSize size;
    if (!state.readHeader(size))
        return std::nullopt;
    return size;
}

std::shared_ptr<RGBAPixels> decode(std::span<const uint8_t> bytes)
{
    JpegReadState state(bytes);
    PixelSize size;
    if (!state.readHeader(size))
        return nullptr;
    auto pixels = PixelBuffer::create(size.width, size.height);
    if (!pixels || !state.readPixels(*pixels))
        return nullptr;
    PixelBuffer::noteFrameDecoded();
    return pixels;
}

}
