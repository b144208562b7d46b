#include "PngWriter.hpp"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

namespace sim {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct PngWriteStruct {
    png_structp png { nullptr };
    png_infop info { nullptr };
    ~PngWriteStruct() { png_destroy_write_struct(&png, &info); }
};

// Kept apart from any C++ object: libpng reports errors by longjmp.
bool writeRows(const PngWriteStruct& writer, std::FILE* file, png_bytepp rows, png_uint_32 width, png_uint_32 height)
{
    if (setjmp(png_jmpbuf(writer.png)))
        return false;
    png_init_io(writer.png, file);
    png_set_IHDR(writer.png, writer.info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(writer.png, writer.info);
    png_write_rows(writer.png, rows, height);
    png_write_end(writer.png, writer.info);
    return true;
}

}

bool writePNG(const RGBAPixels& pixels, const std::filesystem::path& path, std::string& error)
{
    if (pixels.width == 0 || pixels.height == 0 || pixels.bytes.size() != pixels.width * pixels.height * 4) {
        error = "no pixels to write";
        return false;
    }
    // "-" is the standard output, for a picture piped to another program.
    bool isStandardOutput = path == "-";
    std::unique_ptr<std::FILE, FileCloser> file(isStandardOutput ? ::fdopen(::dup(STDOUT_FILENO), "wb") : std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = "can't create " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    if (isStandardOutput)
        std::fflush(stdout);
    PngWriteStruct writer;
    writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (writer.png)
        writer.info = png_create_info_struct(writer.png);
    if (!writer.info) {
        error = "out of memory";
        return false;
    }
    errno = 0;
    std::vector<png_const_bytep> rows(pixels.height);
    for (size_t y = 0; y < pixels.height; ++y)
        rows[y] = pixels.bytes.data() + y * pixels.width * 4;
    if (!writeRows(writer, file.get(), const_cast<png_bytepp>(rows.data()), static_cast<png_uint_32>(pixels.width),
            static_cast<png_uint_32>(pixels.height))) {
        error = "can't write " + path.string() + (errno ? std::string(": ") + std::strerror(errno) : std::string());
        return false;
    }
    // A full disk shows only when the buffered end of the file goes out.
    if (std::fflush(file.get()) != 0) {
        error = "can't write " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}
