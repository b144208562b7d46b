#include "GifReader.hpp"

#include <tools/gifgen/GifGenerator.hpp>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <numeric>
#include <unistd.h>

using gifgen::testing::ReadGif;
using gifgen::testing::readGif;

namespace {

constexpr size_t maximumFileSize = 300 * 1024;

std::vector<uint8_t> readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

unsigned delayGcd(const ReadGif& gif)
{
    unsigned divisor = 0;
    for (auto& frame : gif.frames)
        divisor = std::gcd(divisor, static_cast<unsigned>(frame.delay));
    return divisor;
}

class TemporaryDirectory {
public:
    TemporaryDirectory()
    {
        char pattern[] = "/tmp/gifgen-tests-XXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~TemporaryDirectory() { std::filesystem::remove_all(m_path); }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}

// Catches a shipped picture that is missing, too heavy, shaped wrongly for its container, or still.
TEST(ShippedPictures, ResourcesAreLightLoopingAndShapedForTheirContainers)
{
    const std::vector<std::string> expected { "a.gif", "b.gif", "c.gif", "h.gif", "e.gif" };
    ASSERT_EQ(gifgen::shippedPictureNames(), expected);
    for (auto& name : expected) {
        auto path = std::filesystem::path(ZOVA_RESOURCES_DIR) / name;
        auto bytes = readFile(path);
        EXPECT_LT(bytes.size(), maximumFileSize) << name;
        auto gif = readGif(bytes);
        ASSERT_TRUE(gif) << name;
        EXPECT_EQ(gif->loopCount, 0) << name;
        EXPECT_GE(gif->frames.size(), 8u) << name;
        double aspect = static_cast<double>(gif->width) / static_cast<double>(gif->height);
        double wanted = name == "c.gif" ? 1.0 : 390.0 / 844.0;
        EXPECT_NEAR(aspect, wanted, 0.01) << name;
    }
}

// Catches pictures whose frames all last the same, which would hide a decoder that ignores delays.
TEST(ShippedPictures, DelaysVaryAndOnePictureHasNoCommonStep)
{
    size_t withoutCommonStep = 0;
    for (auto& name : gifgen::shippedPictureNames()) {
        auto gif = readGif(readFile(std::filesystem::path(ZOVA_RESOURCES_DIR) / name));
        ASSERT_TRUE(gif) << name;
        auto [shortest, longest] = std::minmax_element(gif->frames.begin(), gif->frames.end(),
            [](auto& a, auto& b) { return a.delay < b.delay; });
        EXPECT_LT(shortest->delay, longest->delay) << name;
        EXPECT_GE(shortest->delay, 2) << name << ": players stretch shorter delays";
        withoutCommonStep += delayGcd(*gif) == 1;
    }
    EXPECT_EQ(withoutCommonStep, 1u);
}

// Catches a generator that no longer reproduces its own output, so regenerating would churn files.
TEST(ShippedPictures, GeneratorIsDeterministic)
{
    auto first = gifgen::shippedPicture(2);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first, gifgen::shippedPicture(2));
    EXPECT_TRUE(gifgen::shippedPicture(5).empty());
}

// Catches the writer skipping a picture, or claiming success when the directory can't be made.
TEST(ShippedPictures, WritesEveryPictureOrSaysWhy)
{
    TemporaryDirectory directory;
    std::string error;
    ASSERT_TRUE(gifgen::writeShippedPictures(directory.path() / "Resources", error)) << error;
    for (auto& name : gifgen::shippedPictureNames())
        EXPECT_TRUE(readGif(readFile(directory.path() / "Resources" / name))) << name;

    std::ofstream(directory.path() / "plain-file") << "x";
    EXPECT_FALSE(gifgen::writeShippedPictures(directory.path() / "plain-file" / "Resources", error));
    EXPECT_NE(error.find("plain-file"), std::string::npos) << error;
}
