// Recordings run the host on simulated time: exact frame counts, the screen of each instant, and the
// same bytes every time.
#include "SimProcess.hpp"

#include <foundation/NSData.hpp>
#include <imageio/CGImageSource.hpp>
#include <tools/gifgen/GifGenerator.hpp>

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>

using namespace simtest;

namespace {

std::vector<uint8_t> readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

// Four full-screen frames of a quarter second each, in colours far apart.
const std::array<std::array<uint8_t, 3>, 4> colours { { { 230, 20, 20 }, { 20, 220, 30 }, { 30, 40, 230 }, { 240, 240, 40 } } };

std::vector<uint8_t> quarterSecondColours()
{
    std::vector<gifgen::Frame> frames;
    for (const auto& colour : colours) {
        gifgen::Frame frame;
        frame.delay = 25;
        frame.rgba.resize(39 * 84 * 4, 255);
        for (size_t i = 0; i < 39 * 84; ++i)
            std::copy(colour.begin(), colour.end(), frame.rgba.begin() + static_cast<long>(i * 4));
        frames.push_back(std::move(frame));
    }
    return gifgen::encodeGif(39, 84, frames);
}

// The colour index of the recorded frame's top left corner, away from the flames; -1 for none.
int colourAt(CGImageSourceRef source, size_t index)
{
    CGImageRef image = CGImageSourceCreateImageAtIndex(source, index, nullptr);
    auto pixels = CGImageGetPixels(image);
    CGImageRelease(image);
    if (!pixels)
        return -1;
    const uint8_t* pixel = pixels->bytes.data() + (20 * pixels->width + 20) * 4;
    for (size_t c = 0; c < colours.size(); ++c) {
        if (std::abs(pixel[0] - colours[c][0]) < 30 && std::abs(pixel[1] - colours[c][1]) < 30 && std::abs(pixel[2] - colours[c][2]) < 30)
            return static_cast<int>(c);
    }
    return -1;
}

}

// Frames that follow the wall clock differ from run to run and skip GIF frames on a slow machine.
TEST(Recording, ShowsEachInstantExactlyAndTheSameEveryTime)
{
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    std::filesystem::create_directories(device.root / "var/mobile/Documents");
    auto picture = quarterSecondColours();
    std::ofstream(device.root / "var/mobile/Documents/siricustom.gif", std::ios::binary).write(reinterpret_cast<const char*>(picture.data()), static_cast<long>(picture.size()));
    ASSERT_EQ(runSim(device.with({ "defaults", "write", "com.velmarok.zovaprefs", "siripic", "-int", "5" })).status, 0);

    auto first = device.root / "first.gif", second = device.root / "second.gif";
    ASSERT_EQ(runSim(device.with({ "assistant", "show", "record", first.string(), "1", "8" })).status, 0);
    ASSERT_EQ(runSim(device.with({ "assistant", "show", "record", second.string(), "1", "8" })).status, 0);
    auto bytes = readBytes(first);
    EXPECT_EQ(bytes, readBytes(second));

    auto data = NSData::dataWithBytes(bytes);
    CGImageSourceRef source = CGImageSourceCreateWithData(data.get(), nullptr);
    ASSERT_NE(source, nullptr);
    ASSERT_EQ(CGImageSourceGetCount(source), 8u) << "1 s at 8 frames a second";
    // Frame k shows the screen k/8 s after the picture was placed: two recorded frames per GIF frame.
    for (size_t k = 0; k < 8; ++k)
        EXPECT_EQ(colourAt(source, k), static_cast<int>(k / 2)) << "frame " << k;
    CFRelease(source);

    auto odd = device.root / "odd.gif";
    ASSERT_EQ(runSim(device.with({ "assistant", "show", "record", odd.string(), "0.3", "10" })).status, 0);
    auto oddData = NSData::dataWithBytes(readBytes(odd));
    CGImageSourceRef oddSource = CGImageSourceCreateWithData(oddData.get(), nullptr);
    EXPECT_EQ(CGImageSourceGetCount(oddSource), 3u) << "0.3 s x 10 is 3 frames, not 4";
    CFRelease(oddSource);
}
