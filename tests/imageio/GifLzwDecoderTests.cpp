// The GIF decoder's rules, each on small files built in code and checked against frames built by
// hand: code sizes, full tables, early ends, codes not in the table, cut data, interlacing,
// clipping and every disposal value.
#include "imageio/TestImages.hpp"

#include <imageio/CGImageSource.hpp>
#include <imageio/CGImageSourceTesting.hpp>
#include <tools/gifgen/GifBuilder.hpp>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

using gifgen::GifBuilder;
using gifgen::ImageBlock;
using gifgen::LzwOptions;
using gifgen::Rgb8;

Rgb8 colorOf(size_t index) { return { static_cast<uint8_t>(index), static_cast<uint8_t>(255 - index), static_cast<uint8_t>(index * 7 + 1) }; }

std::vector<Rgb8> palette(size_t count)
{
    std::vector<Rgb8> colors;
    for (size_t index = 0; index < count; ++index)
        colors.push_back(colorOf(index));
    return colors;
}

std::vector<uint16_t> pattern(size_t width, size_t height, unsigned modulo, unsigned seed = 0)
{
    std::vector<uint16_t> pixels(width * height);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint16_t>((i * 7 + i / width * 3 + seed) % modulo);
    return pixels;
}

std::vector<uint16_t> noise(size_t count, unsigned modulo, uint32_t seed)
{
    std::vector<uint16_t> pixels(count);
    for (auto& pixel : pixels) {
        seed = seed * 1664525u + 1013904223u;
        pixel = static_cast<uint16_t>((seed >> 16) % modulo);
    }
    return pixels;
}

// The canvas a frame is expected to leave: what `pixel` says at each place (none: transparent).
using Expected = std::function<std::optional<Rgb8>(size_t x, size_t y)>;

std::vector<uint8_t> canvas(size_t width, size_t height, const Expected& pixel)
{
    std::vector<uint8_t> rgba(width * height * 4, 0);
    for (size_t y = 0; y < height; ++y) {
        for (size_t x = 0; x < width; ++x) {
            if (auto color = pixel(x, y))
                std::copy(color->begin(), color->end(), rgba.begin() + static_cast<long>((y * width + x) * 4)), rgba[(y * width + x) * 4 + 3] = 255;
        }
    }
    return rgba;
}

std::optional<Rgb8> indexColor(uint16_t index, size_t tableSize)
{
    if (index >= tableSize)
        return std::nullopt;
    return colorOf(index);
}

void expectFrames(const std::vector<uint8_t>& file, const std::vector<std::vector<uint8_t>>& expected)
{
    auto frames = TestImages::decodeFrames(file);
    ASSERT_EQ(frames.size(), expected.size());
    for (size_t index = 0; index < frames.size(); ++index) {
        ASSERT_TRUE(frames[index]) << "frame " << index;
        EXPECT_EQ(frames[index]->bytes, expected[index]) << "frame " << index;
    }
}

// Codes that are each one literal: a clear code before every one, so pixel i is code 2i + 1.
std::vector<uint16_t> literalCodes(std::span<const uint16_t> pixels, unsigned codeSize)
{
    return gifgen::lzwCodes(pixels, codeSize, { false, 1 });
}

constexpr Rgb8 under = { 9, 99, 199 };

// A file whose first frame paints the whole canvas in `under` (index 0 of a two-entry-plus table).
GifBuilder overSolidCanvas(uint16_t width, uint16_t height, size_t tableSize)
{
    auto colors = palette(tableSize);
    colors[0] = under;
    GifBuilder gif(width, height, colors);
    std::vector<uint16_t> zeros(size_t { width } * height, 0);
    gif.control(1).image({ 0, 0, width, height, false, {} }, zeros, 2);
    return gif;
}

Expected patternOver(const std::vector<uint16_t>& pixels, size_t width, const std::function<bool(size_t row)>& isDrawn)
{
    return [=](size_t x, size_t y) -> std::optional<Rgb8> {
        if (!isDrawn(y))
            return under;
        uint16_t index = pixels[y * width + x];
        return index == 0 ? under : colorOf(index);
    };
}

}

// Catches any code size from 2 to 11 decoding wrongly, and indices past every table (possible
// from 9 up) drawing a colour instead of leaving the canvas alone.
TEST(GifLzwDecoder, EveryCodeSizeGivesItsIndices)
{
    for (unsigned codeSize = 2; codeSize <= 11; ++codeSize) {
        for (size_t clearEvery : { size_t { 0 }, size_t { 5 } }) {
            size_t tableSize = std::min(256u, 1u << codeSize);
            auto pixels = pattern(23, 11, 1u << codeSize);
            GifBuilder gif(23, 11, palette(tableSize));
            gif.image({ 0, 0, 23, 11, false, {} }, pixels, codeSize, { false, clearEvery });
            SCOPED_TRACE(testing::Message() << "code size " << codeSize << ", clear every " << clearEvery);
            expectFrames(gif.finish(), { canvas(23, 11, [&](size_t x, size_t y) { return indexColor(pixels[y * 23 + x], tableSize); }) });
        }
    }
}

// Catches codes of 12 bits, a clear code sent when the table fills, or a table that goes on
// full without one (deferred clear, then a late clear code) decoding wrongly, at small and large
// code sizes.
TEST(GifLzwDecoder, FullTablesWithAndWithoutClearCodes)
{
    for (unsigned codeSize : { 2u, 5u, 8u, 11u }) {
        auto pixels = noise(240 * 180, 1u << std::min(codeSize, 8u), codeSize);
        for (LzwOptions options : { LzwOptions { false, 0 }, LzwOptions { true, 0 }, LzwOptions { true, 6000 } }) {
            auto codes = gifgen::lzwCodes(pixels, codeSize, options);
            ASSERT_GT(codes.size(), 6000u) << "the table must fill";
            GifBuilder gif(240, 180, palette(256));
            gif.image({ 0, 0, 240, 180, false, {} }, pixels, codeSize, options);
            SCOPED_TRACE(testing::Message() << "code size " << codeSize << ", deferred " << options.deferredClear << ", clear every " << options.clearEvery);
            expectFrames(gif.finish(), { canvas(240, 180, [&](size_t x, size_t y) { return indexColor(pixels[y * 240 + x], 256); }) });
        }
    }
}

// Catches an end code before the last row wiping the frame, drawing a partial row, or
// swallowing the next frame; and codes after the end code being drawn.
TEST(GifLzwDecoder, EarlyEndKeepsTheRowsBeforeAndSkipsWhatFollows)
{
    auto pixels = pattern(10, 6, 4, 1);
    auto codes = literalCodes(pixels, 2);
    // Two rows and three pixels, the end code, then the rest of the frame's codes.
    std::vector<uint16_t> cut(codes.begin(), codes.begin() + 2 * 23);
    cut.push_back(5);
    cut.insert(cut.end(), codes.begin() + 2 * 23, codes.end());
    auto gif = overSolidCanvas(10, 6, 4);
    gif.control(1).rawImage({ 0, 0, 10, 6, false, {} }, 2, gifgen::subBlocks(gifgen::packCodes(cut, 2), 7));
    gif.control(1).image({ 0, 5, 2, 1, false, {} }, std::vector<uint16_t> { 3, 3 }, 2);
    auto second = patternOver(pixels, 10, [](size_t row) { return row < 2; });
    expectFrames(gif.finish(), {
        canvas(10, 6, [](size_t, size_t) { return under; }),
        canvas(10, 6, second),
        canvas(10, 6, [&](size_t x, size_t y) { return y == 5 && x < 2 ? colorOf(3) : second(x, y); }),
    });
}

// Catches a code the table doesn't hold yet being drawn from stale entries, or losing the rows
// before it.
TEST(GifLzwDecoder, CodeNotInTheTableEndsTheFrame)
{
    auto pixels = pattern(8, 5, 16, 2);
    // Literals only, no clear codes: each adds an entry, so after k of them the next free code
    // is 18 + k - 1 and anything above it is undefined.
    std::vector<uint16_t> codes { 16 };
    codes.insert(codes.end(), pixels.begin(), pixels.begin() + 19);
    codes.push_back(static_cast<uint16_t>(18 + 18 + 3));
    codes.insert(codes.end(), pixels.begin() + 19, pixels.end());
    codes.push_back(17);
    auto gif = overSolidCanvas(8, 5, 16);
    gif.rawImage({ 0, 0, 8, 5, false, {} }, 4, gifgen::subBlocks(gifgen::packCodes(codes, 4)));
    expectFrames(gif.finish(), { canvas(8, 5, [](size_t, size_t) { return under; }), canvas(8, 5, patternOver(pixels, 8, [](size_t row) { return row < 2; })) });
}

// Catches data that runs out inside a sub-block (its length byte promising more than the file
// holds) dropping the rows whose codes sit in that last, partial sub-block.
TEST(GifLzwDecoder, DataCutInsideASubBlockKeepsEveryWholeRow)
{
    auto pixels = pattern(6, 8, 16, 3);
    // Five bits per code, two codes per pixel: 30 data bytes hold 48 codes, 24 pixels, 4 rows.
    auto data = gifgen::subBlocks(gifgen::packCodes(literalCodes(pixels, 4), 4), 20);
    ASSERT_GT(data.size(), 32u);
    auto gif = overSolidCanvas(6, 8, 16);
    gif.rawImage({ 0, 0, 6, 8, false, {} }, 4, std::span(data).first(1 + 20 + 1 + 10));
    expectFrames(gif.written(), { canvas(6, 8, [](size_t, size_t) { return under; }), canvas(6, 8, patternOver(pixels, 6, [](size_t row) { return row < 4; })) });
}

// Catches interlaced rows of a cut stream landing in file order, or the rows of passes never
// reached being drawn.
TEST(GifLzwDecoder, InterlacedRowsOfACutStreamLandInPlace)
{
    auto pixels = pattern(7, 21, 16, 4);
    auto ordered = gifgen::inFileOrder(pixels, 7, 21, true);
    // Passes one (rows 0, 8, 16) and two (4, 12, 20), one row of pass three (2), and a bit more.
    auto codes = literalCodes(ordered, 4);
    std::vector<uint16_t> cut(codes.begin(), codes.begin() + 2 * (7 * 7 + 4));
    auto gif = overSolidCanvas(7, 21, 16);
    gif.rawImage({ 0, 0, 7, 21, true, {} }, 4, gifgen::subBlocks(gifgen::packCodes(cut, 4), 255, false));
    auto drawn = [](size_t row) { return row % 4 == 0 || row == 2; };
    expectFrames(gif.written(), { canvas(7, 21, [](size_t, size_t) { return under; }), canvas(7, 21, patternOver(pixels, 7, drawn)) });
}

// Catches frames partly or wholly off the screen writing outside the canvas or wrapping into the
// next row, interlaced ones included.
TEST(GifLzwDecoder, FramesOffTheScreenAreClipped)
{
    auto pixels = pattern(5, 9, 16, 5);
    auto gif = overSolidCanvas(6, 8, 16);
    gif.control(1).image({ 3, 4, 5, 9, true, {} }, pixels, 4);
    gif.control(1).image({ 6, 0, 3, 3, false, {} }, pattern(3, 3, 16), 4);
    gif.control(1).image({ 0, 8, 3, 3, true, {} }, pattern(3, 3, 16), 4);
    auto clipped = [&](size_t x, size_t y) -> std::optional<Rgb8> {
        if (x < 3 || y < 4)
            return under;
        uint16_t index = pixels[(y - 4) * 5 + x - 3];
        return index == 0 ? under : colorOf(index);
    };
    expectFrames(gif.finish(), { canvas(6, 8, [](size_t, size_t) { return under; }), canvas(6, 8, clipped), canvas(6, 8, clipped), canvas(6, 8, clipped) });
}

// Catches a disposal value handled wrongly: 2 clears to transparent, 3 and 4 restore what was
// under the frame, 0, 1 and 5 to 7 leave it; on the first frame, restoring gives transparency.
TEST(GifDisposal, EveryValueDisposesAsBrowsersDo)
{
    for (unsigned disposal = 0; disposal < 8; ++disposal) {
        auto colors = palette(4);
        GifBuilder gif(6, 2, colors);
        gif.control(1).image({ 0, 0, 6, 2, false, {} }, std::vector<uint16_t>(12, 1), 2);
        gif.control(disposal).image({ 1, 0, 2, 1, false, {} }, std::vector<uint16_t> { 2, 2 }, 2);
        gif.control(1).image({ 5, 1, 1, 1, false, {} }, std::vector<uint16_t> { 3 }, 2);
        auto before = canvas(6, 2, [](size_t, size_t) { return colorOf(1); });
        auto drawn = canvas(6, 2, [](size_t x, size_t y) { return y == 0 && (x == 1 || x == 2) ? colorOf(2) : colorOf(1); });
        auto after = canvas(6, 2, [&](size_t x, size_t y) -> std::optional<Rgb8> {
            if (x == 5 && y == 1)
                return colorOf(3);
            if (y == 0 && (x == 1 || x == 2)) {
                if (disposal == 2)
                    return std::nullopt;
                return disposal == 3 || disposal == 4 ? colorOf(1) : colorOf(2);
            }
            return colorOf(1);
        });
        SCOPED_TRACE(testing::Message() << "disposal " << disposal);
        expectFrames(gif.finish(), { before, drawn, after });
    }
    for (unsigned disposal : { 3u, 4u }) {
        GifBuilder gif(2, 1, palette(4));
        gif.control(disposal).image({ 0, 0, 2, 1, false, {} }, std::vector<uint16_t> { 1, 1 }, 2);
        gif.control(1).image({ 1, 0, 1, 1, false, {} }, std::vector<uint16_t> { 2 }, 2);
        expectFrames(gif.finish(), { canvas(2, 1, [](size_t, size_t) { return colorOf(1); }), canvas(2, 1, [](size_t x, size_t) -> std::optional<Rgb8> {
            if (x == 1)
                return colorOf(2);
            return std::nullopt;
        }) });
    }
}

// Catches impossible code sizes (0, 12 and up; a byte of 200 once shifted past 64 bits while the
// palette was built) reading or drawing anything, or stopping the frames after them.
TEST(GifLzwDecoder, ImpossibleCodeSizesDecodeNothing)
{
    for (unsigned codeSize : { 0u, 12u, 200u }) {
        auto gif = overSolidCanvas(4, 3, 4);
        gif.control(1).rawImage({ 0, 0, 4, 3, false, {} }, codeSize, gifgen::subBlocks(std::vector<uint8_t>(9, 0x5A)));
        gif.control(1).image({ 0, 0, 1, 1, false, {} }, std::vector<uint16_t> { 2 }, 2);
        auto file = gif.finish();
        auto data = std::make_shared<NSData>(file);
        auto source = CGImageSourceCreateWithData(data.get(), nullptr);
        ASSERT_TRUE(source);
        SCOPED_TRACE(testing::Message() << "code size " << codeSize);
        EXPECT_EQ(CGImageSourceCheckFrame(source, 1), CGImageSourceFrameDecoding::Failed);
        EXPECT_EQ(CGImageSourceCheckFrame(source, 2), CGImageSourceFrameDecoding::Complete);
        CFRelease(source);
        auto solid = canvas(4, 3, [](size_t, size_t) { return under; });
        expectFrames(file, { solid, solid, canvas(4, 3, [](size_t x, size_t y) { return x == 0 && y == 0 ? colorOf(2) : under; }) });
    }
}
