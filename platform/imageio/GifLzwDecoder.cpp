#include <imageio/GifLzwDecoder.hpp>

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr unsigned maxCodeBits = 12;
constexpr unsigned tableSize = 1u << maxCodeBits;
// Strings are copied in 8-byte steps that may run past their end; the buffer has room for that.
constexpr size_t copySlack = 16;

// Codes are packed least significant bit first, across sub-blocks whose length bytes are skipped
// as they come. A sub-block cut short by the end of the file still gives the bytes it has.
class CodeReader {
public:
    CodeReader(std::span<const uint8_t> file, size_t firstBlock)
        : m_file(file)
        , m_position(firstBlock)
        , m_blockEnd(firstBlock)
    {
    }

    // False when the data ends before a whole code.
    bool read(unsigned size, unsigned& code)
    {
        if (m_count < size) {
            refill();
            if (m_count < size)
                return false;
        }
        code = static_cast<unsigned>(m_bits & ((uint64_t { 1 } << size) - 1));
        m_bits >>= size;
        m_count -= size;
        return true;
    }

private:
    void refill()
    {
        while (m_count < 56) {
            // A block cut at its length byte is empty: look again before reading from it.
            if (m_position == m_blockEnd) {
                if (!nextBlock())
                    return;
                continue;
            }
            size_t available = m_blockEnd - m_position;
            if constexpr (std::endian::native == std::endian::little) {
                if (available >= 8) {
                    uint64_t word;
                    std::memcpy(&word, m_file.data() + m_position, 8);
                    unsigned take = (63 - m_count) / 8;
                    m_bits |= (word & ((uint64_t { 1 } << (8 * take)) - 1)) << m_count;
                    m_count += 8 * take;
                    m_position += take;
                    continue;
                }
            }
            m_bits |= uint64_t { m_file[m_position++] } << m_count;
            m_count += 8;
        }
    }

    bool nextBlock()
    {
        if (m_isFinished || m_blockEnd >= m_file.size() || m_file[m_blockEnd] == 0) {
            m_isFinished = true;
            return false;
        }
        m_position = m_blockEnd + 1;
        m_blockEnd = std::min(m_position + m_file[m_blockEnd], m_file.size());
        return true;
    }

    std::span<const uint8_t> m_file;
    size_t m_position;
    size_t m_blockEnd;
    uint64_t m_bits { 0 };
    unsigned m_count { 0 };
    bool m_isFinished { false };
};

// `from + length <= to`: the bytes read for the string itself are never ones this copy writes.
template<typename Index>
inline void copyString(Index* to, const Index* from, size_t count)
{
    size_t length = count * sizeof(Index);
    auto* toBytes = reinterpret_cast<uint8_t*>(to);
    auto* fromBytes = reinterpret_cast<const uint8_t*>(from);
    size_t done = 0;
    do {
        uint64_t word;
        std::memcpy(&word, fromBytes + done, 8);
        std::memcpy(toBytes + done, &word, 8);
        done += 8;
    } while (done < length);
}

}

GifFrameOutcome GifLzwDecoder::decode(std::span<const uint8_t> file, const GifFrameInfo& frame, size_t rowsNeeded, GifRowSink& sink)
{
    const size_t width = frame.width;
    rowsNeeded = std::min<size_t>(rowsNeeded, frame.height);
    if (rowsNeeded == 0 || width == 0)
        return GifFrameOutcome::Complete;
    if (frame.minimumCodeSize < 1 || frame.minimumCodeSize > maxCodeBits - 1)
        return GifFrameOutcome::Failed;
    if (frame.minimumCodeSize > 8)
        return decodeCodes<uint16_t>(file, frame, rowsNeeded, sink);
    return decodeCodes<uint8_t>(file, frame, rowsNeeded, sink);
}

template<typename Index>
GifFrameOutcome GifLzwDecoder::decodeCodes(std::span<const uint8_t> file, const GifFrameInfo& frame, size_t rowsNeeded, GifRowSink& sink)
{
    const size_t width = frame.width;
    const unsigned minimum = frame.minimumCodeSize;
    const size_t needed = width * rowsNeeded;
    auto& buffer = indexBuffer<Index>();
    if (buffer.size() < needed + copySlack)
        buffer.resize(needed + copySlack);
    Index* out = buffer.data();

    CodeReader reader(file, frame.dataOffset + 1);
    const unsigned clear = 1u << minimum;
    unsigned codeSize = minimum + 1;
    unsigned next = clear + 2;
    bool hasPrevious = false;
    size_t previousOffset = 0;
    size_t previousLength = 0;
    size_t position = 0;
    size_t rowsDone = 0;
    size_t rowEnd = width;
    unsigned code;
    while (reader.read(codeSize, code)) {
        size_t length;
        if (code < clear) {
            out[position] = static_cast<Index>(code);
            length = 1;
        } else if (code == clear) {
            codeSize = minimum + 1;
            next = clear + 2;
            hasPrevious = false;
            continue;
        } else if (code < next && code != clear + 1) {
            const Entry entry = m_table[code];
            length = std::min<size_t>(entry.length, needed - position);
            copyString(out + position, out + entry.offset, length);
        } else if (code == next && hasPrevious) {
            // The string being defined: the previous one plus its own first byte.
            size_t room = needed - position;
            Index first = out[previousOffset];
            copyString(out + position, out + previousOffset, std::min(previousLength, room));
            if (previousLength < room)
                out[position + previousLength] = first;
            length = std::min(previousLength + 1, room);
        } else {
            // The end code, or a code the table doesn't hold yet.
            break;
        }
        if (hasPrevious && next < tableSize) {
            m_table[next] = { static_cast<uint32_t>(previousOffset), static_cast<uint32_t>(previousLength + 1) };
            ++next;
            if (next >= (1u << codeSize) && codeSize < maxCodeBits)
                ++codeSize;
        }
        hasPrevious = true;
        previousOffset = position;
        previousLength = length;
        position += length;
        if (position >= rowEnd) {
            size_t rows = position / width;
            if constexpr (sizeof(Index) == 1)
                sink.takeRows(rowsDone, rows, out + rowsDone * width, width);
            else
                sink.takeWideRows(rowsDone, rows, out + rowsDone * width, width);
            rowsDone = rows;
            if (rowsDone == rowsNeeded)
                return GifFrameOutcome::Complete;
            rowEnd = (rows + 1) * width;
        }
    }
    return GifFrameOutcome::CutShort;
}
