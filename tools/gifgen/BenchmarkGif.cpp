#include <tools/gifgen/GifGenerator.hpp>
#include <tools/gifgen/IndexedGifWriter.hpp>

#include <array>
#include <cmath>
#include <numbers>

namespace gifgen {

namespace {

// A fixed 6 x 7 x 6 colour cube with 2 x 2 ordered dithering: quantising 180 megapixels adaptively would
// take far longer than the benchmarks are willing to wait. The small dither keeps the file near what a
// real picture of this size weighs (about 25 MB) while every row still mixes colours.
constexpr int redLevels = 6;
constexpr int greenLevels = 7;
constexpr int blueLevels = 6;
// The 2 x 2 Bayer matrix on the scale of the 16 thresholds below.
constexpr std::array<int, 4> bayer { 2, 10, 14, 6 };

std::vector<uint8_t> cubePalette()
{
    std::vector<uint8_t> palette;
    auto level = [](int value, int levels) { return static_cast<uint8_t>(value * 255 / (levels - 1)); };
    for (int r = 0; r < redLevels; ++r) {
        for (int g = 0; g < greenLevels; ++g) {
            for (int b = 0; b < blueLevels; ++b)
                palette.insert(palette.end(), { level(r, redLevels), level(g, greenLevels), level(b, blueLevels) });
        }
    }
    return palette;
}

// For each of the 16 dither thresholds and each 8-bit value, the channel's share of the palette index.
using DitherTable = std::array<std::array<uint8_t, 256>, 16>;

DitherTable ditherTable(int levels, int stride)
{
    DitherTable table {};
    for (int threshold = 0; threshold < 16; ++threshold) {
        for (int value = 0; value < 256; ++value) {
            int level = (value * (levels - 1) * 32 + (2 * threshold + 1) * 255) / (255 * 32);
            table[threshold][value] = static_cast<uint8_t>(level * stride);
        }
    }
    return table;
}

// One channel as the sum of three travelling waves: across, down and diagonally. Each table spans
// 0 to 85, so the sum stays a byte.
struct ChannelWaves {
    std::vector<uint8_t> across;
    std::vector<uint8_t> down;
    std::vector<uint8_t> diagonal;
};

std::vector<uint8_t> wave(size_t length, double cycles, double shift)
{
    std::vector<uint8_t> values(length);
    for (size_t i = 0; i < length; ++i) {
        double angle = 2 * std::numbers::pi * (cycles * static_cast<double>(i) / static_cast<double>(length) + shift);
        values[i] = static_cast<uint8_t>(std::lround(42.5 + 42.5 * std::sin(angle)));
    }
    return values;
}

ChannelWaves channelWaves(int channel, double phase)
{
    double c = channel;
    return {
        wave(benchmarkGifWidth, 1.5 + 0.5 * c, phase * (1 + c) + c / 3),
        wave(benchmarkGifHeight, 2 + c, -phase * (2 - c) + c / 5),
        wave(benchmarkGifWidth + benchmarkGifHeight, 3 - c, phase * 3 + c / 7),
    };
}

class BenchmarkPainter {
public:
    BenchmarkPainter()
        : m_red(ditherTable(redLevels, greenLevels * blueLevels))
        , m_green(ditherTable(greenLevels, blueLevels))
        , m_blue(ditherTable(blueLevels, 1))
    {
    }

    void paint(double phase, std::vector<uint8_t>& indices) const
    {
        std::array<ChannelWaves, 3> waves { channelWaves(0, phase), channelWaves(1, phase), channelWaves(2, phase) };
        for (size_t y = 0; y < benchmarkGifHeight; ++y)
            paintRow(waves, y, &indices[y * benchmarkGifWidth]);
    }

private:
    void paintRow(const std::array<ChannelWaves, 3>& waves, size_t y, uint8_t* row) const
    {
        const uint8_t* diagonalRed = &waves[0].diagonal[y];
        const uint8_t* diagonalGreen = &waves[1].diagonal[y];
        const uint8_t* diagonalBlue = &waves[2].diagonal[y];
        int downRed = waves[0].down[y], downGreen = waves[1].down[y], downBlue = waves[2].down[y];
        for (size_t x = 0; x < benchmarkGifWidth; ++x) {
            size_t threshold = static_cast<size_t>(bayer[(y & 1) * 2 + (x & 1)]);
            int red = waves[0].across[x] + downRed + diagonalRed[x];
            int green = waves[1].across[x] + downGreen + diagonalGreen[x];
            int blue = waves[2].across[x] + downBlue + diagonalBlue[x];
            row[x] = static_cast<uint8_t>(m_red[threshold][red] + m_green[threshold][green] + m_blue[threshold][blue]);
        }
    }

    DitherTable m_red;
    DitherTable m_green;
    DitherTable m_blue;
};

}

std::vector<uint8_t> largeBenchmarkGif()
{
    constexpr std::array<uint16_t, 3> delays { 4, 5, 6 };
    BenchmarkPainter painter;
    IndexedGifWriter writer(benchmarkGifWidth, benchmarkGifHeight, cubePalette(), IndexedGifWriter::FrameStorage::Whole);
    std::vector<uint8_t> indices(benchmarkGifWidth * benchmarkGifHeight);
    for (size_t frame = 0; frame < benchmarkGifFrameCount; ++frame) {
        painter.paint(static_cast<double>(frame) / benchmarkGifFrameCount, indices);
        if (!writer.addFrame(indices, delays[frame % delays.size()]))
            return {};
    }
    return writer.finish();
}

}
