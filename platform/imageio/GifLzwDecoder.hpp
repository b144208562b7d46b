// Decompresses one GIF frame's colour indices from its LZW sub-blocks, streaming: rows are handed
// on as they complete. Every code size GIF89a allows (2 to 11, codes up to 12 bits), clear codes
// anywhere, a full table that goes on without new entries; damage ends the frame where it starts.
#pragma once

#include <imageio/GifStructure.hpp>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

enum class GifFrameOutcome : uint8_t {
    Complete,
    // The data ran out, ended early or held a code not yet in the table: the rows before stand.
    CutShort,
    // No row could be decoded: an impossible code size, or no data at all.
    Failed,
};

class GifRowSink {
public:
    // Rows `first` to `end` - 1 in file order (interlaced rows come by pass), each `rowLength`
    // indices long and laid out one after another from `indices`.
    virtual void takeRows(size_t first, size_t end, const uint8_t* indices, size_t rowLength) = 0;
    // The same for code sizes above 8, whose literal codes can exceed any colour table.
    virtual void takeWideRows(size_t first, size_t end, const uint16_t* indices, size_t rowLength) = 0;

protected:
    ~GifRowSink() = default;
};

class GifLzwDecoder {
public:
    // Hands the sink the frame's first `rowsNeeded` rows in file order and stops decompressing
    // once it has them all.
    GifFrameOutcome decode(std::span<const uint8_t> file, const GifFrameInfo&, size_t rowsNeeded, GifRowSink&);

private:
    template<typename Index>
    GifFrameOutcome decodeCodes(std::span<const uint8_t> file, const GifFrameInfo&, size_t rowsNeeded, GifRowSink&);

    // A string of the table, as the place in the output where it was last written: a new entry
    // is always the previous string plus the byte that follows it there.
    struct Entry {
        uint32_t offset;
        uint32_t length;
    };

    template<typename Index>
    std::vector<Index>& indexBuffer()
    {
        if constexpr (sizeof(Index) == 1)
            return m_indices;
        else
            return m_wideIndices;
    }

    std::vector<uint8_t> m_indices;
    std::vector<uint16_t> m_wideIndices;
    std::array<Entry, 4096> m_table {};
};
