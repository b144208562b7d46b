#include <imageio/CGImageSource.hpp>
#include <imageio/GifStructure.hpp>

#include <cstring>
#include <utility>

namespace {

enum class BlocksEnd {
    Complete,
    Truncated,
};

class GifCursor {
public:
    explicit GifCursor(std::span<const uint8_t> bytes, size_t position = 0)
        : m_bytes(bytes)
        , m_position(position)
    {
    }

    size_t position() const { return m_position; }
    size_t remaining() const { return m_bytes.size() - m_position; }
    const uint8_t* at(size_t offset) const { return m_bytes.data() + offset; }

    bool readByte(uint8_t& value)
    {
        if (remaining() < 1)
            return false;
        value = m_bytes[m_position++];
        return true;
    }

    uint16_t u16At(size_t offset) const { return static_cast<uint16_t>(m_bytes[offset] | m_bytes[offset + 1] << 8); }

    bool skip(size_t count)
    {
        if (remaining() < count)
            return false;
        m_position += count;
        return true;
    }

    // Walks data sub-blocks up to and past their terminator; only the length bytes are touched.
    BlocksEnd skipSubBlocks()
    {
        for (;;) {
            // Sub-blocks are mostly full and follow one another: asking for the bytes a few blocks
            // on keeps this walk of dependent loads out of memory's way on large files.
            if (remaining() > farAhead)
                __builtin_prefetch(m_bytes.data() + m_position + prefetchDistance);
            uint8_t length;
            if (!readByte(length))
                return BlocksEnd::Truncated;
            if (length == 0)
                return BlocksEnd::Complete;
            if (!skip(length)) {
                m_position = m_bytes.size();
                return BlocksEnd::Truncated;
            }
            if (length == fullBlock)
                skipFullBlocks();
        }
    }

private:
    static constexpr uint8_t fullBlock = 255;
    static constexpr size_t fullStride = fullBlock + 1;
    static constexpr size_t blocksPerJump = 4;
    static constexpr size_t jumpPrefetchDistance = 32 * fullStride;
    static constexpr size_t farAhead = size_t { 1 } << 20;

    // Where one full block follows another, the next lengths sit at known places: loading several
    // at once turns a chain of dependent loads into independent ones. Stops at the first block that
    // isn't full, which the caller then reads.
    void skipFullBlocks()
    {
        while (remaining() > blocksPerJump * fullStride) {
            const uint8_t* next = m_bytes.data() + m_position;
            // Far from the end of a large file, the lengths ahead are likely out of the cache.
            if (remaining() > farAhead) {
                for (size_t block = 0; block < blocksPerJump; ++block)
                    __builtin_prefetch(next + jumpPrefetchDistance + block * fullStride);
            }
            uint8_t all = fullBlock;
            for (size_t block = 0; block < blocksPerJump; ++block)
                all &= next[block * fullStride];
            if (all != fullBlock) {
                // Every frame's data ends here: the lengths just loaded say how far the full
                // blocks go, and one of them isn't full.
                size_t fullBlocks = 0;
                while (next[fullBlocks * fullStride] == fullBlock)
                    ++fullBlocks;
                m_position += fullBlocks * fullStride;
                return;
            }
            m_position += blocksPerJump * fullStride;
        }
    }

    static constexpr size_t prefetchDistance = 2048;

    std::span<const uint8_t> m_bytes;
    size_t m_position { 0 };
};

using GifControl = GifStructureScanner::Control;

GifDisposal disposalFromField(unsigned field)
{
    switch (field) {
    case 1:
        return GifDisposal::Leave;
    case 2:
        return GifDisposal::RestoreBackground;
    case 3:
    case 4:
        // 4 is undefined but written by old encoders that meant "restore previous"; browsers agree.
        return GifDisposal::RestorePrevious;
    default:
        // 0 and the undefined values 5 to 7 are drawn as "no disposal", as browsers do.
        return GifDisposal::None;
    }
}

// Reads a colour table flagged in a packed field; false when the file ends inside it.
bool readColorTable(GifCursor& cursor, uint8_t packed, GifColorTable& table)
{
    if (!(packed & 0x80))
        return true;
    table.count = static_cast<uint16_t>(2u << (packed & 0x07));
    table.offset = cursor.position();
    return cursor.skip(size_t { 3 } * table.count);
}

std::optional<GifStructure> readScreen(GifCursor& cursor)
{
    if (!cursor.skip(6 + 7))
        return std::nullopt;
    GifStructure structure;
    structure.width = cursor.u16At(6);
    structure.height = cursor.u16At(8);
    size_t area = size_t { structure.width } * structure.height;
    if (area == 0 || area > ImageIOLimits::maxPixels)
        return std::nullopt;
    if (!readColorTable(cursor, *cursor.at(10), structure.globalColors))
        return std::nullopt;
    return structure;
}

// Skips an extension; a graphic control extension also becomes the pending control data.
bool readExtension(GifCursor& cursor, GifControl& control)
{
    uint8_t label;
    if (!cursor.readByte(label))
        return false;
    size_t firstBlock = cursor.position();
    if (cursor.skipSubBlocks() != BlocksEnd::Complete)
        return false;
    if (label != 0xF9 || *cursor.at(firstBlock) < 4)
        return true;
    uint8_t packed = *cursor.at(firstBlock + 1);
    control.isPresent = true;
    control.disposal = disposalFromField((packed >> 2) & 0x07);
    control.delayHundredths = cursor.u16At(firstBlock + 2);
    control.transparentIndex = (packed & 0x01) ? *cursor.at(firstBlock + 4) : -1;
    return true;
}

// A frame whose descriptor, colour table and code size are all there; its data may be cut short.
// Fills the frame in place and says whether it is one.
bool readFrame(GifCursor& cursor, const GifControl& control, GifFrameInfo& frame, BlocksEnd& end)
{
    frame.descriptorOffset = cursor.position() - 1;
    size_t fields = cursor.position();
    if (!cursor.skip(9))
        return false;
    frame.left = cursor.u16At(fields);
    frame.top = cursor.u16At(fields + 2);
    frame.width = cursor.u16At(fields + 4);
    frame.height = cursor.u16At(fields + 6);
    uint8_t packed = *cursor.at(fields + 8);
    frame.isInterlaced = packed & 0x40;
    // Even a clipped frame is decompressed whole row by row: bound that work too.
    if (size_t { frame.width } * frame.height > ImageIOLimits::maxPixels)
        return false;
    if (!readColorTable(cursor, packed, frame.localColors))
        return false;
    frame.dataOffset = cursor.position();
    if (!cursor.readByte(frame.minimumCodeSize))
        return false;
    frame.hasControl = control.isPresent;
    frame.disposal = control.disposal;
    frame.transparentIndex = control.transparentIndex;
    frame.delayHundredths = control.delayHundredths;
    end = cursor.skipSubBlocks();
    frame.isDataComplete = end == BlocksEnd::Complete;
    return true;
}

enum class BlockRead {
    Whole,
    // The bytes ended inside the block, or it was damaged, or there are no more blocks.
    Last,
};

// One block after the screen: an extension, or a frame that is added to the structure.
BlockRead readBlock(GifCursor& cursor, GifStructure& structure, GifControl& control)
{
    uint8_t introducer;
    if (!cursor.readByte(introducer))
        return BlockRead::Last;
    if (introducer == 0x21)
        return readExtension(cursor, control) ? BlockRead::Whole : BlockRead::Last;
    if (introducer != 0x2C) {
        // The trailer, or a byte that starts no block: either way nothing more to read.
        return BlockRead::Last;
    }
    auto end = BlocksEnd::Complete;
    if (!readFrame(cursor, control, structure.frames.emplace_back(), end)) {
        structure.frames.pop_back();
        return BlockRead::Last;
    }
    // Control data applies to the one image that follows it.
    control = {};
    return end == BlocksEnd::Complete ? BlockRead::Whole : BlockRead::Last;
}

void readFrames(GifCursor& cursor, GifStructure& structure, GifControl& control)
{
    while (structure.frames.size() < ImageIOLimits::maxFrames) {
        if (readBlock(cursor, structure, control) == BlockRead::Last)
            return;
    }
}

std::optional<GifStructure> startStructure(GifCursor& cursor)
{
    auto structure = readScreen(cursor);
    // Most animations have a few dozen frames: fewer regrowths of the list, and little to spare.
    if (structure)
        structure->frames.reserve(32);
    return structure;
}

}

bool hasGifSignature(std::span<const uint8_t> bytes)
{
    return bytes.size() >= 6 && (std::memcmp(bytes.data(), "GIF87a", 6) == 0 || std::memcmp(bytes.data(), "GIF89a", 6) == 0);
}

std::optional<GifStructure> scanGifStructure(std::span<const uint8_t> bytes)
{
    return GifStructureScanner().finish(bytes);
}

void GifStructureScanner::advance(std::span<const uint8_t> available)
{
    if (!m_isGif || available.size() < 6)
        return;
    if (!hasGifSignature(available)) {
        m_isGif = false;
        return;
    }
    if (!m_structure) {
        GifCursor cursor(available);
        m_structure = startStructure(cursor);
        if (!m_structure)
            return;
        m_position = cursor.position();
    }
    // Only whole blocks are kept: one that runs past the bytes so far is walked again by the next
    // call, and anything the whole file might end with is left to finish.
    while (m_structure->frames.size() < ImageIOLimits::maxFrames) {
        GifCursor cursor(available, m_position);
        auto control = m_control;
        size_t frames = m_structure->frames.size();
        if (readBlock(cursor, *m_structure, control) == BlockRead::Last) {
            m_structure->frames.resize(frames);
            return;
        }
        m_position = cursor.position();
        m_control = control;
    }
}

std::optional<GifStructure> GifStructureScanner::finish(std::span<const uint8_t> bytes)
{
    if (!hasGifSignature(bytes))
        return std::nullopt;
    if (!m_structure) {
        GifCursor cursor(bytes);
        m_structure = startStructure(cursor);
        if (!m_structure)
            return std::nullopt;
        m_position = cursor.position();
    }
    GifCursor cursor(bytes, m_position);
    readFrames(cursor, *m_structure, m_control);
    if (m_structure->frames.empty())
        m_structure.reset();
    return std::exchange(m_structure, std::nullopt);
}
