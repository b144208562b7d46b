#include "FrameIdentifier.hpp"

#include <imageio/GiflibReference.hpp>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace servebench {

namespace {

// The blocks cover the screen's top 60%: the flames' glow reaches no higher than 69%.
constexpr size_t columns = 12;
constexpr size_t rows = 16;
constexpr double coveredHeight = 0.6;
// Below this a picture shows no frame of the GIF (the home screen, a half-drawn start).
constexpr double minimumCorrelation = 0.9;

struct Pixels {
    size_t width { 0 };
    size_t height { 0 };
    size_t channels { 0 };
    std::vector<uint8_t> bytes;
};

// The mean of each colour channel over each block, as one vector.
std::vector<double> blockMeans(const Pixels& pixels)
{
    std::vector<double> means;
    auto covered = static_cast<size_t>(static_cast<double>(pixels.height) * coveredHeight);
    for (size_t row = 0; row < rows; ++row) {
        for (size_t column = 0; column < columns; ++column) {
            size_t left = column * pixels.width / columns, right = (column + 1) * pixels.width / columns;
            size_t top = row * covered / rows, bottom = (row + 1) * covered / rows;
            double sums[3] = {};
            for (size_t y = top; y < bottom; ++y) {
                for (size_t x = left; x < right; ++x) {
                    for (size_t c = 0; c < 3; ++c)
                        sums[c] += pixels.bytes[(y * pixels.width + x) * pixels.channels + c];
                }
            }
            double count = static_cast<double>(std::max<size_t>(1, (right - left) * (bottom - top)));
            for (double sum : sums)
                means.push_back(sum / count);
        }
    }
    return means;
}

double correlation(const std::vector<double>& a, const std::vector<double>& b)
{
    double n = static_cast<double>(a.size()), sumA = 0, sumB = 0, sumAA = 0, sumBB = 0, sumAB = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sumA += a[i];
        sumB += b[i];
        sumAA += a[i] * a[i];
        sumBB += b[i] * b[i];
        sumAB += a[i] * b[i];
    }
    double spread = std::sqrt((n * sumAA - sumA * sumA) * (n * sumBB - sumB * sumB));
    return spread > 0 ? (n * sumAB - sumA * sumB) / spread : 0;
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void leaveOnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

// A quarter of the size each way: plenty for block means, and four times faster.
bool decodeQuarter(const std::string& jpeg, Pixels& pixels)
{
    jpeg_decompress_struct info {};
    JpegError error {};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = leaveOnError;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpeg.data()), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    info.scale_num = 1;
    info.scale_denom = 4;
    jpeg_start_decompress(&info);
    pixels.width = info.output_width;
    pixels.height = info.output_height;
    pixels.channels = 3;
    pixels.bytes.resize(pixels.width * pixels.height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.bytes.data() + info.output_scanline * pixels.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}

bool FrameIdentifier::learn(const std::vector<uint8_t>& gif)
{
    m_frames.clear();
    return GiflibReference::compositeFrames(gif, [this](const GiflibReference::Canvas& canvas) {
        m_frames.push_back(blockMeans({ canvas.width, canvas.height, 4, canvas.rgba }));
    });
}

std::optional<size_t> FrameIdentifier::frameOf(const std::string& jpeg) const
{
    Pixels pixels;
    if (!decodeQuarter(jpeg, pixels))
        return std::nullopt;
    auto means = blockMeans(pixels);
    std::optional<size_t> best;
    double bestCorrelation = minimumCorrelation;
    for (size_t frame = 0; frame < m_frames.size(); ++frame) {
        double value = correlation(means, m_frames[frame]);
        if (value > bestCorrelation) {
            best = frame;
            bestCorrelation = value;
        }
    }
    return best;
}

}
