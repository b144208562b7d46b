#include "FrameEncoder.hpp"
#include "PngWriter.hpp"

#include <foundation/NSData.hpp>

#include <cstdio>
#include <csetjmp>
#include <jpeglib.h>
#include <sys/mman.h>
#include <unistd.h>

namespace sim {

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void leaveOnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

// Kept apart from any C++ object: libjpeg reports errors by longjmp. The output buffer is malloc'ed
// by libjpeg and handed back to the caller even on failure.
bool compressRows(const RGBAPixels& pixels, int quality, unsigned char** output, unsigned long* size)
{
    jpeg_compress_struct info {};
    JpegError error {};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = leaveOnError;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, output, size);
    info.image_width = static_cast<JDIMENSION>(pixels.width);
    info.image_height = static_cast<JDIMENSION>(pixels.height);
    info.input_components = 4;
    info.in_color_space = JCS_EXT_RGBA;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.dct_method = JDCT_IFAST;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPROW>(pixels.bytes.data() + info.next_scanline * pixels.width * 4);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

bool hasPixels(const RGBAPixels& pixels)
{
    return pixels.width > 0 && pixels.height > 0 && pixels.width <= 65500 && pixels.height <= 65500
        && pixels.bytes.size() == pixels.width * pixels.height * 4;
}

}

std::vector<uint8_t> encodePNG(const RGBAPixels& pixels, std::string& error)
{
    // The PNG writer writes files: an anonymous one in memory keeps a single encoder.
    int fd = ::memfd_create("screen.png", MFD_CLOEXEC);
    if (fd < 0) {
        error = "can't make room for the picture";
        return {};
    }
    std::vector<uint8_t> bytes;
    if (writePNG(pixels, "/proc/self/fd/" + std::to_string(fd), error)) {
        if (auto read = FileIO::readFile("/proc/self/fd/" + std::to_string(fd)))
            bytes = std::move(*read);
        else
            error = "can't read the picture back";
    }
    ::close(fd);
    return bytes;
}

std::vector<uint8_t> encodeJPEG(const RGBAPixels& pixels, int quality, std::string& error)
{
    if (!hasPixels(pixels)) {
        error = "no pixels to encode";
        return {};
    }
    unsigned char* output = nullptr;
    unsigned long size = 0;
    bool isEncoded = compressRows(pixels, quality, &output, &size);
    std::vector<uint8_t> bytes;
    if (isEncoded && output)
        bytes.assign(output, output + size);
    else
        error = "the picture could not be encoded";
    std::free(output);
    return bytes;
}

}
