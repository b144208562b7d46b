// Composited GIF frames compared pixel by pixel with an independent tool's: ImageMagick's -coalesce.
#include "imageio/TestImages.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

using namespace TestImages;
namespace fs = std::filesystem;

const std::vector<RGB> fourColors { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 }, { 250, 250, 10 } };

// Raw RGBA canvases, one per frame, as ImageMagick composites them; empty when it fails.
std::vector<std::vector<uint8_t>> coalesce(const std::vector<uint8_t>& gif, size_t frameCount)
{
    auto directory = fs::path(testing::TempDir()) / ("imageio-coalesce-" + std::to_string(::getpid()));
    fs::create_directories(directory);
    std::ofstream(directory / "in.gif", std::ios::binary).write(reinterpret_cast<const char*>(gif.data()), static_cast<std::streamsize>(gif.size()));
    auto command = "convert " + (directory / "in.gif").string() + " -coalesce -depth 8 rgba:" + (directory / "out-%d.rgba").string();
    std::vector<std::vector<uint8_t>> frames;
    bool converted = std::system(command.c_str()) == 0;
    for (size_t index = 0; converted && index < frameCount; ++index) {
        std::ifstream in(directory / ("out-" + std::to_string(index) + ".rgba"), std::ios::binary);
        frames.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    fs::remove_all(directory);
    return frames;
}

// Alpha everywhere, colour only where opaque: a transparent pixel's colour means nothing.
std::vector<uint8_t> visibleRow(const std::vector<uint8_t>& rgba, size_t width, size_t y)
{
    std::vector<uint8_t> row(rgba.begin() + static_cast<long>(y * width * 4), rgba.begin() + static_cast<long>((y + 1) * width * 4));
    for (size_t x = 0; x < width; ++x) {
        if (row[4 * x + 3] == 0)
            std::fill_n(row.begin() + static_cast<long>(4 * x), 3, 0);
    }
    return row;
}

class GifCompositing : public testing::Test {
protected:
    void SetUp() override
    {
        if (std::system("command -v convert > /dev/null") != 0)
            GTEST_SKIP() << "ImageMagick's convert is not on PATH (./dev setup installs it)";
    }

    void expectSameAsImageMagick(const Gif& gif)
    {
        auto bytes = encodeGif(gif);
        auto ours = decodeFrames(bytes);
        auto theirs = coalesce(bytes, gif.frames.size());
        ASSERT_EQ(ours.size(), gif.frames.size());
        ASSERT_EQ(theirs.size(), gif.frames.size()) << "ImageMagick failed";
        for (size_t index = 0; index < ours.size(); ++index) {
            ASSERT_TRUE(ours[index] && ours[index]->bytes.size() == theirs[index].size()) << "frame " << index;
            for (size_t y = 0; y < gif.height; ++y)
                EXPECT_EQ(visibleRow(ours[index]->bytes, gif.width, y), visibleRow(theirs[index], gif.width, y)) << "frame " << index << " row " << y;
        }
    }
};

GifFrame withControl(GifFrame frame, int disposal, int transparentIndex = -1)
{
    frame.control = GifControl { disposal, transparentIndex, 10 };
    return frame;
}

}

// Catches transparent pixels painted over the canvas, and a first frame smaller than the canvas
// leaving anything but transparency around it. (ImageMagick starts from transparency only when
// the first frame has a transparent index; GifDecoding checks the other case on its own.)
TEST_F(GifCompositing, TransparencyOverUndisposedFrames)
{
    Gif gif { 16, 12, fourColors, {} };
    gif.frames.push_back(withControl(patternFrame(2, 1, 12, 9, 0, 4), 0, 3));
    gif.frames.push_back(withControl(patternFrame(0, 0, 16, 12, 1, 4), 1, 2));
    gif.frames.push_back(withControl(patternFrame(5, 3, 7, 7, 2, 4), 0, 0));
    expectSameAsImageMagick(gif);
}

// Catches "restore to background" filling with the background colour instead of clearing, or
// clearing more or less than the frame's rectangle.
TEST_F(GifCompositing, RestoreToBackgroundClearsTheFrameRectangle)
{
    Gif gif { 16, 12, fourColors, {} };
    gif.frames.push_back(withControl(solidFrame(0, 0, 16, 12, 1), 1));
    gif.frames.push_back(withControl(patternFrame(3, 2, 8, 6, 0, 4), 2, 3));
    gif.frames.push_back(withControl(solidFrame(9, 5, 5, 5, 2), 2));
    gif.frames.push_back(withControl(solidFrame(0, 0, 2, 2, 3), 0));
    // Frames without control data are not disposed of. (ImageMagick carries the last control
    // data's disposal over to them, so they follow a frame that has none.)
    gif.frames.push_back(solidFrame(3, 0, 2, 2, 2));
    gif.frames.push_back(patternFrame(8, 0, 8, 6, 1, 4));
    expectSameAsImageMagick(gif);
}

// Catches "restore to previous" restoring the wrong state, including on the first frame.
TEST_F(GifCompositing, RestoreToPreviousPutsBackWhatWasUnderneath)
{
    Gif gif { 16, 12, fourColors, {} };
    gif.frames.push_back(withControl(patternFrame(1, 1, 10, 8, 0, 4), 3, 2));
    gif.frames.push_back(withControl(solidFrame(0, 0, 16, 12, 0), 1));
    gif.frames.push_back(withControl(patternFrame(4, 4, 9, 7, 3, 4), 3, 1));
    gif.frames.push_back(withControl(solidFrame(6, 0, 4, 12, 2), 3));
    gif.frames.push_back(withControl(solidFrame(0, 8, 16, 4, 3), 0));
    expectSameAsImageMagick(gif);
}

// Catches a local colour table being ignored, or leaking into the frames after it.
TEST_F(GifCompositing, LocalColorTablesApplyToTheirFrameOnly)
{
    Gif gif { 16, 12, fourColors, {} };
    gif.frames.push_back(withControl(patternFrame(0, 0, 16, 12, 0, 4), 1));
    auto local = withControl(patternFrame(2, 2, 10, 8, 1, 8), 1, 5);
    local.localColors = { { 10, 20, 30 }, { 40, 50, 60 }, { 70, 80, 90 }, { 100, 110, 120 }, { 130, 140, 150 }, { 160, 170, 180 }, { 190, 200, 210 }, { 220, 230, 240 } };
    gif.frames.push_back(local);
    gif.frames.push_back(withControl(patternFrame(4, 4, 6, 6, 2, 4), 0));
    expectSameAsImageMagick(gif);
}

// Catches interlaced rows landing in file order instead of their own rows, with heights that
// leave passes short or empty.
TEST_F(GifCompositing, InterlacedRowsLandInPlace)
{
    Gif gif { 19, 23, fourColors, {} };
    for (int height : { 23, 11, 3, 1 }) {
        auto frame = withControl(patternFrame(0, 0, 19, static_cast<uint16_t>(height), static_cast<unsigned>(height), 4), 1);
        frame.isInterlaced = true;
        gif.frames.push_back(frame);
    }
    expectSameAsImageMagick(gif);
}
