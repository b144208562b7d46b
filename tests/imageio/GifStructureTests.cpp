#include <imageio/GifStructure.hpp>

#include <tools/gifgen/GifGenerator.hpp>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

bool operator==(const GifColorTable& a, const GifColorTable& b) { return a.offset == b.offset && a.count == b.count; }

void expectSameStructure(const std::optional<GifStructure>& actual, const std::optional<GifStructure>& expected, const std::string& what)
{
    ASSERT_EQ(actual.has_value(), expected.has_value()) << what;
    if (!expected)
        return;
    EXPECT_EQ(actual->width, expected->width) << what;
    EXPECT_EQ(actual->height, expected->height) << what;
    EXPECT_TRUE(actual->globalColors == expected->globalColors) << what;
    ASSERT_EQ(actual->frames.size(), expected->frames.size()) << what;
    for (size_t index = 0; index < expected->frames.size(); ++index) {
        const auto& a = actual->frames[index];
        const auto& e = expected->frames[index];
        EXPECT_TRUE(a.descriptorOffset == e.descriptorOffset && a.dataOffset == e.dataOffset && a.minimumCodeSize == e.minimumCodeSize
            && a.isDataComplete == e.isDataComplete && a.left == e.left && a.top == e.top && a.width == e.width && a.height == e.height
            && a.isInterlaced == e.isInterlaced && a.localColors == e.localColors && a.hasControl == e.hasControl && a.disposal == e.disposal
            && a.transparentIndex == e.transparentIndex && a.delayHundredths == e.delayHundredths)
            << what << ", frame " << index;
    }
}

void appendFrame(std::vector<uint8_t>& gif, const std::vector<uint8_t>& blockLengths)
{
    gif.insert(gif.end(), { 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2 });
    for (uint8_t length : blockLengths) {
        gif.push_back(length);
        gif.insert(gif.end(), length, 0x55);
    }
    gif.push_back(0);
}

}

// Catches a walk over runs of full sub-blocks that jumps past a short block, a terminator or the
// end of the file: the frames and where their data ends must be those of a block-by-block walk.
TEST(GifStructure, RunsOfFullSubBlocksEndWhereTheBlocksSay)
{
    std::vector<uint8_t> gif { 'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255 };
    std::vector<uint8_t> first(21, 255);
    first.push_back(7);
    first.insert(first.end(), 9, 255);
    first.push_back(255);
    size_t firstFrame = gif.size();
    appendFrame(gif, first);
    size_t secondFrame = gif.size();
    appendFrame(gif, std::vector<uint8_t>(17, 255));
    size_t trailer = gif.size();
    gif.push_back(0x3B);

    auto whole = scanGifStructure(gif);
    ASSERT_TRUE(whole);
    ASSERT_EQ(whole->frames.size(), 2u);
    EXPECT_EQ(whole->frames[0].descriptorOffset, firstFrame);
    EXPECT_EQ(whole->frames[1].descriptorOffset, secondFrame);
    EXPECT_TRUE(whole->frames[0].isDataComplete && whole->frames[1].isDataComplete);

    // Cut anywhere inside the frames' data: the cut frame is kept as cut, and nothing after it.
    for (size_t cut = firstFrame + 12; cut < trailer; ++cut) {
        std::vector<uint8_t> head(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(cut));
        auto structure = scanGifStructure(head);
        ASSERT_TRUE(structure) << cut;
        // A frame counts once its descriptor and code size are there: 11 bytes.
        size_t expectedFrames = cut < secondFrame + 11 ? 1 : 2;
        ASSERT_EQ(structure->frames.size(), expectedFrames) << cut;
        EXPECT_EQ(structure->frames[0].isDataComplete, cut >= secondFrame) << cut;
        if (expectedFrames == 2) {
            EXPECT_FALSE(structure->frames[1].isDataComplete) << cut;
        }
    }

    // Every length of a run, so that the short block or the terminator falls at each place of a
    // jump over several blocks; the short ones include 254, one below full.
    std::vector<uint8_t> runs(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(firstFrame));
    std::vector<size_t> frameOffsets;
    for (size_t run = 0; run < 20; ++run) {
        std::vector<uint8_t> lengths(run, 255);
        frameOffsets.push_back(runs.size());
        appendFrame(runs, lengths);
        lengths.push_back(run % 3 == 0 ? 254 : static_cast<uint8_t>(run + 1));
        lengths.insert(lengths.end(), run % 5, 255);
        frameOffsets.push_back(runs.size());
        appendFrame(runs, lengths);
    }
    runs.push_back(0x3B);
    auto structure = scanGifStructure(runs);
    ASSERT_TRUE(structure);
    ASSERT_EQ(structure->frames.size(), frameOffsets.size());
    for (size_t index = 0; index < frameOffsets.size(); ++index) {
        EXPECT_EQ(structure->frames[index].descriptorOffset, frameOffsets[index]) << index;
        EXPECT_TRUE(structure->frames[index].isDataComplete) << index;
    }
}

// Catches a scan done as the bytes arrive that differs from one over the whole file: a block cut
// at a piece's end taken as the file's damage, control data lost between pieces, or a frame
// counted twice. Whole files, cut files and damaged files, fed in pieces of several sizes.
TEST(GifStructure, ScanningAsBytesArriveGivesTheWholeFilesStructure)
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files { { "shipped", gifgen::shippedPicture(1) },
        { "optimised", gifgen::optimisedBenchmarkGif(12) } };
    for (const auto& [name, bytes] : gifgen::decoderSeeds())
        files.emplace_back(name, bytes);
    size_t count = files.size();
    for (size_t index = 0; index < count; ++index) {
        auto bytes = files[index].second;
        files.emplace_back(files[index].first + " cut", std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() * 2 / 3)));
        bytes[bytes.size() / 2] ^= 0xFF;
        files.emplace_back(files[index].first + " damaged", bytes);
    }
    for (const auto& [name, bytes] : files) {
        auto whole = scanGifStructure(bytes);
        for (size_t piece : { size_t { 1 }, size_t { 7 }, size_t { 256 }, size_t { 4099 } }) {
            // A block is walked again from its start at each piece: keep the byte-sized pieces to small files.
            if (piece * 20000 < bytes.size())
                continue;
            GifStructureScanner scanner;
            for (size_t end = piece; end < bytes.size(); end += piece)
                scanner.advance(std::span(bytes).first(end));
            expectSameStructure(scanner.finish(bytes), whole, name + " in pieces of " + std::to_string(piece));
        }
    }
}
