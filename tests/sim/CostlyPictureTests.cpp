// A picture too costly to play at its own pace (4096 x 4096 frames, each drawn over the one before,
// 100 a second): the assistant's host still draws its screen promptly and records it to the end.
#include "SimProcess.hpp"

#include <foundation/NSData.hpp>
#include <imageio/CGImageSource.hpp>
#include <tools/gifgen/GifGenerator.hpp>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace simtest;

namespace {

std::vector<uint8_t> readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

// A device showing the costly picture as its custom one.
void installCostlyPicture(const Device& device)
{
    static const auto picture = gifgen::costlyBenchmarkGif(1000, 1);
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    std::filesystem::create_directories(device.root / "var/mobile/Documents");
    std::ofstream(device.root / "var/mobile/Documents/siricustom.gif", std::ios::binary).write(reinterpret_cast<const char*>(picture.data()), static_cast<long>(picture.size()));
    ASSERT_EQ(runSim(device.with({ "defaults", "write", "com.velmarok.zovaprefs", "siripic", "-int", "5" })).status, 0);
}

std::shared_ptr<const RGBAPixels> recordedFrame(CGImageSourceRef source, size_t index)
{
    CGImageRef image = CGImageSourceCreateImageAtIndex(source, index, nullptr);
    auto pixels = CGImageGetPixels(image);
    CGImageRelease(image);
    return pixels;
}

}

// Catches a draw that makes every frame up to the clock's first: a screenshot three seconds in made
// three hundred frames of 16.7 M pixels before it could draw (the whole run took 5.7 s of processor
// time, 0.6 s once bounded).
TEST(CostlyPicture, ScreenshotTakesUnderTwoSecondsOfProcessorTime)
{
    Device device;
    installCostlyPicture(device);
    auto png = device.root / "screen.png";
    auto result = runSim(device.with({ "assistant", "show", "wait", "3", "screenshot", png.string() }), 120);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_GT(std::filesystem::file_size(png), 0u);
#ifndef ZOVA_SANITIZED
    // Instrumented code runs several times slower: its processor time says nothing of the budget.
    EXPECT_LT(result.cpuSeconds, 2.0);
#endif
}

// Catches a recording that never ends, and budgets that make it depend on the machine: on simulated
// time the picture plays at the rate the budget allows, the same frames every run.
TEST(CostlyPicture, RecordingEndsAndIsTheSameEveryTime)
{
    Device device;
    installCostlyPicture(device);
    auto first = device.root / "first.gif", second = device.root / "second.gif";
    ASSERT_EQ(runSim(device.with({ "assistant", "show", "record", first.string(), "3", "4" }), 120).status, 0);
    ASSERT_EQ(runSim(device.with({ "assistant", "show", "record", second.string(), "3", "4" }), 120).status, 0);
    auto bytes = readBytes(first);
    EXPECT_EQ(bytes, readBytes(second));

    auto data = NSData::dataWithBytes(bytes);
    CGImageSourceRef source = CGImageSourceCreateWithData(data.get(), nullptr);
    ASSERT_NE(source, nullptr);
    ASSERT_EQ(CGImageSourceGetCount(source), 12u);
    // The picture moves on: the last frame shows a later frame of it than the first.
    auto start = recordedFrame(source, 0), end = recordedFrame(source, 11);
    ASSERT_TRUE(start && end);
    EXPECT_NE(start->bytes, end->bytes);
    CFRelease(source);
}
