// The GIF decoder against giflib plus a plain compositor, on every file giflib decodes whole and
// whose frames the image source gives the same way: every composited frame must match.
#include "imageio/GiflibReference.hpp"

#include <imageio/CGImageSource.hpp>
#include <imageio/CGImageSourceTesting.hpp>
#include <imageio/GifStructure.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Skips sub-blocks from `offset`; the offset past the terminator, or none when the file ends.
std::optional<size_t> skipSubBlocks(std::span<const uint8_t> bytes, size_t offset)
{
    while (offset < bytes.size()) {
        size_t length = bytes[offset];
        offset += 1 + length;
        if (length == 0)
            return offset;
    }
    return std::nullopt;
}

// True when the scan read to the trailer: then giflib and the source see the same frames, and
// giflib meets no frame the scan refused for its size.
bool scanReachesTrailer(std::span<const uint8_t> bytes, const GifStructure& structure)
{
    auto offset = skipSubBlocks(bytes, structure.frames.back().dataOffset + 1);
    while (offset && *offset < bytes.size()) {
        if (bytes[*offset] == 0x3B)
            return true;
        if (bytes[*offset] != 0x21 || *offset + 1 >= bytes.size())
            return false;
        offset = skipSubBlocks(bytes, *offset + 2);
    }
    return false;
}

// giflib takes the byte after an extension whose first sub-block is empty as the length of one
// more sub-block, and so reads the frame that follows as extension data.
bool hasEmptyExtension(std::span<const uint8_t> bytes, const GifStructure& structure)
{
    std::optional<size_t> offset = 13 + size_t { structure.globalColors.count } * 3;
    while (offset && *offset + 2 < bytes.size()) {
        if (bytes[*offset] == 0x21) {
            if (bytes[*offset + 2] == 0)
                return true;
            offset = skipSubBlocks(bytes, *offset + 2);
        } else if (bytes[*offset] == 0x2C && *offset + 10 < bytes.size()) {
            uint8_t packed = bytes[*offset + 9];
            size_t colors = (packed & 0x80) ? size_t { 3 } << ((packed & 0x07) + 1) : 0;
            offset = skipSubBlocks(bytes, *offset + 10 + colors + 1);
        } else {
            return false;
        }
    }
    return false;
}

// giflib reads code sizes up to 8 only, and draws nothing sound for 0 and 1.
bool codeSizesAgree(const GifStructure& structure)
{
    for (const auto& frame : structure.frames) {
        if (frame.minimumCodeSize < 2 || frame.minimumCodeSize > 8)
            return false;
    }
    return true;
}

[[noreturn]] void reportDifference(size_t index, const RGBAPixels* ours, const GiflibReference::Canvas& theirs)
{
    std::fprintf(stderr, "frame %zu differs", index);
    for (size_t byte = 0; ours && byte < ours->bytes.size() && byte < theirs.rgba.size(); ++byte) {
        if (ours->bytes[byte] != theirs.rgba[byte]) {
            std::fprintf(stderr, " first at pixel (%zu, %zu): ours %d, giflib's %d", byte / 4 % theirs.width, byte / 4 / theirs.width, ours->bytes[byte], theirs.rgba[byte]);
            break;
        }
    }
    std::fprintf(stderr, "\n");
    std::abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    std::span<const uint8_t> file { bytes, size };
    auto structure = scanGifStructure(file);
    if (!structure || structure->frames.size() >= ImageIOLimits::maxFrames || !codeSizesAgree(*structure) || !scanReachesTrailer(file, *structure)
        || hasEmptyExtension(file, *structure))
        return 0;
    auto data = NSData::dataWithBytes(file);
    auto source = CGImageSourceCreateWithData(data.get(), nullptr);
    if (!source || CGImageSourceGetCount(source) != structure->frames.size())
        std::abort();
    // giflib draws on where a code isn't in the table yet, from whatever its table held; the
    // source ends the frame there, as browsers do. Such files are the decoding tests' business.
    for (size_t index = 0; index < structure->frames.size(); ++index) {
        if (CGImageSourceCheckFrame(source, index) != CGImageSourceFrameDecoding::Complete) {
            CFRelease(source);
            return 0;
        }
    }
    // Frame by frame, so that memory stays that of a canvas or two whatever the frame count.
    size_t index = 0;
    bool isRead = GiflibReference::compositeFrames(file, [&](const GiflibReference::Canvas& reference) {
        if (index >= structure->frames.size())
            std::abort();
        auto image = CGImageSourceCreateImageAtIndex(source, index, nullptr);
        auto pixels = CGImageGetPixels(image);
        if (!pixels || pixels->bytes != reference.rgba)
            reportDifference(index, pixels.get(), reference);
        CGImageRelease(image);
        ++index;
    });
    if (isRead && index != structure->frames.size())
        std::abort();
    CFRelease(source);
    return 0;
}
