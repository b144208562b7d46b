// The binary form ("bplist00"): objects, an offset table and a 32-byte trailer. Every offset, count
// and reference is checked against the file before it is used.
#include <foundation/PropertyListFormats.hpp>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace PropertyListFormats {

namespace {

using namespace BinaryFormat;

uint64_t bigEndian(const uint8_t* bytes, size_t width)
{
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i)
        value = value << 8 | bytes[i];
    return value;
}

class BinaryReader : private ReadFailure {
public:
    explicit BinaryReader(std::span<const uint8_t> bytes)
        : m_bytes(bytes)
        , m_budget(bytes.size())
    {
    }

    std::optional<PlistValue> read(std::string& error)
    {
        std::optional<PlistValue> value;
        if (readTrailer())
            value = readObject(m_topObject, 0);
        if (!value)
            error = reason();
        return value;
    }

private:
    // Where an object's contents lie: `count` units from `start`, all before the offset table.
    struct Extent {
        size_t start;
        uint64_t count;
    };

    static bool isASCII(uint8_t byte) { return byte != 0 && byte < 0x80; }

    bool readTrailer()
    {
        if (m_bytes.size() < magic.size() + trailerSize + 2 || std::memcmp(m_bytes.data(), magic.data(), magic.size()) != 0)
            return refuse("not a binary property list of a known version");
        const uint8_t* trailer = m_bytes.data() + m_bytes.size() - trailerSize;
        m_offsetSize = trailer[6];
        m_referenceSize = trailer[7];
        uint64_t objectCount = bigEndian(trailer + 8, 8);
        m_topObject = bigEndian(trailer + 16, 8);
        uint64_t tableOffset = bigEndian(trailer + 24, 8);
        size_t tableEnd = m_bytes.size() - trailerSize;
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_referenceSize < 1 || m_referenceSize > 8)
            return refuse("bad offset or reference size");
        if (tableOffset <= magic.size() || tableOffset > tableEnd || objectCount == 0
            || objectCount > (tableEnd - tableOffset) / m_offsetSize || m_topObject >= objectCount)
            return refuse("bad offset table");
        m_tableOffset = static_cast<size_t>(tableOffset);
        m_objectCount = objectCount;
        m_entered.assign(static_cast<size_t>(objectCount), false);
        return true;
    }

    std::optional<size_t> offsetOf(uint64_t object)
    {
        if (object >= m_objectCount)
            return fail("a reference to an object that doesn't exist");
        uint64_t offset = bigEndian(m_bytes.data() + m_tableOffset + object * m_offsetSize, m_offsetSize);
        if (offset < magic.size() || offset >= m_tableOffset)
            return fail("an object outside the file");
        return static_cast<size_t>(offset);
    }

    // A count in the marker's low nibble, or in the integer after it when the nibble is 15.
    std::optional<Extent> extentOf(size_t offset, uint64_t unitSize)
    {
        uint64_t count = m_bytes[offset] & 0x0F;
        size_t start = offset + 1;
        if (count == 0x0F) {
            if (start >= m_tableOffset || (m_bytes[start] & 0xF0) != Integer || (m_bytes[start] & 0x0F) > 3)
                return fail("a bad length");
            size_t width = size_t { 1 } << (m_bytes[start] & 0x0F);
            if (m_tableOffset - start - 1 < width)
                return fail("a length past the objects");
            count = bigEndian(m_bytes.data() + start + 1, width);
            start += 1 + width;
        }
        if (count > (m_tableOffset - start) / unitSize)
            return fail("an object longer than the file");
        return Extent { start, count };
    }

    std::optional<PlistValue> readObject(uint64_t object, int depth)
    {
        auto offset = offsetOf(object);
        if (!offset)
            return std::nullopt;
        uint8_t marker = m_bytes[*offset];
        if (!m_budget.takeObjects(1))
            return fail("too many values");
        switch (marker & 0xF0) {
        case Simple:
            if (marker == 0x08 || marker == 0x09)
                return PlistValue(marker == 0x09);
            return fail("an unsupported value type");
        case Integer:
            return readInteger(*offset);
        case Real:
        case Date:
            return readReal(*offset);
        case Data:
            return readData(*offset);
        case ASCIIString:
        case UTF16String:
            return readString(*offset);
        case Array:
        case Dictionary:
            return readContainer(object, *offset, depth + 1);
        default:
            return fail("an unsupported value type");
        }
    }

    std::optional<PlistValue> readInteger(size_t offset)
    {
        unsigned exponent = m_bytes[offset] & 0x0F;
        if (exponent > 4)
            return fail("a bad integer size");
        size_t width = size_t { 1 } << exponent;
        if (m_tableOffset - offset - 1 < width)
            return fail("an integer past the objects");
        const uint8_t* digits = m_bytes.data() + offset + 1;
        if (width == 16) {
            // 128-bit integers hold what fits in 64 bits: a negative number sign-extended, or an
            // unsigned one, whose bits are kept as they were written.
            uint64_t high = bigEndian(digits, 8);
            uint64_t low = bigEndian(digits + 8, 8);
            bool fits = high == 0 || (high == std::numeric_limits<uint64_t>::max() && (low >> 63) == 1);
            if (!fits)
                return fail("an integer that doesn't fit in 64 bits");
            return PlistValue(static_cast<int64_t>(low));
        }
        return PlistValue(static_cast<int64_t>(bigEndian(digits, width)));
    }

    std::optional<PlistValue> readReal(size_t offset)
    {
        uint8_t marker = m_bytes[offset];
        size_t width = marker == 0x22 ? 4 : marker == 0x23 || marker == 0x33 ? 8 : 0;
        if (!width)
            return fail("a bad real size");
        if (m_tableOffset - offset - 1 < width)
            return fail("a real past the objects");
        uint64_t bits = bigEndian(m_bytes.data() + offset + 1, width);
        if (width == 4)
            return PlistValue(static_cast<double>(std::bit_cast<float>(static_cast<uint32_t>(bits))));
        return PlistValue(std::bit_cast<double>(bits));
    }

    std::optional<PlistValue> readData(size_t offset)
    {
        auto extent = extentOf(offset, 1);
        if (!extent)
            return std::nullopt;
        if (!m_budget.takeBytes(extent->count))
            return fail("too much text and data");
        auto begin = m_bytes.begin() + static_cast<ptrdiff_t>(extent->start);
        return PlistValue(PlistData { std::vector<uint8_t>(begin, begin + static_cast<ptrdiff_t>(extent->count)) });
    }

    std::optional<std::string> readText(size_t offset)
    {
        bool isUTF16 = (m_bytes[offset] & 0xF0) == UTF16String;
        auto extent = extentOf(offset, isUTF16 ? 2 : 1);
        if (!extent)
            return std::nullopt;
        if (!m_budget.takeBytes(extent->count * (isUTF16 ? 3 : 1)))
            return fail("too much text and data");
        const uint8_t* units = m_bytes.data() + extent->start;
        std::string text;
        if (!isUTF16) {
            text.assign(reinterpret_cast<const char*>(units), static_cast<size_t>(extent->count));
            if (!std::all_of(units, units + extent->count, isASCII))
                return fail("a string marked ASCII holds NUL or bytes past 0x7F");
            return text;
        }
        text.reserve(static_cast<size_t>(extent->count));
        for (size_t i = 0; i < extent->count; ++i) {
            uint32_t unit = static_cast<uint32_t>(bigEndian(units + 2 * i, 2));
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < extent->count) {
                uint32_t low = static_cast<uint32_t>(bigEndian(units + 2 * (i + 1), 2));
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
            if (!appendUTF8(text, unit))
                return fail("a string holds NUL or a lone surrogate");
        }
        return text;
    }

    std::optional<PlistValue> readString(size_t offset)
    {
        auto text = readText(offset);
        if (!text)
            return std::nullopt;
        return PlistValue(std::move(*text));
    }

    uint64_t referenceAt(const Extent& extent, uint64_t index) const
    {
        return bigEndian(m_bytes.data() + extent.start + index * m_referenceSize, m_referenceSize);
    }

    // Containers are entered once: a second reference, or a cycle, would make one file expand
    // into exponentially many values.
    std::optional<PlistValue> readContainer(uint64_t object, size_t offset, int depth)
    {
        if (depth > NSPropertyListSerialization::maximumDepth)
            return fail("nested too deeply");
        if (m_entered[static_cast<size_t>(object)])
            return fail("a container referenced more than once");
        m_entered[static_cast<size_t>(object)] = true;
        bool isArray = (m_bytes[offset] & 0xF0) == Array;
        auto extent = extentOf(offset, isArray ? m_referenceSize : 2 * m_referenceSize);
        if (!extent)
            return std::nullopt;
        if (isArray)
            return readArray(*extent, depth);
        return readDictionary(*extent, depth);
    }

    std::optional<PlistValue> readArray(const Extent& extent, int depth)
    {
        PlistArray array;
        // Items beyond these grow the array only as they are read, within the budget.
        array.reserve(static_cast<size_t>(std::min<uint64_t>(extent.count, 4096)));
        for (uint64_t i = 0; i < extent.count; ++i) {
            auto item = readObject(referenceAt(extent, i), depth);
            if (!item)
                return std::nullopt;
            array.push_back(std::move(*item));
        }
        return PlistValue(std::move(array));
    }

    std::optional<PlistValue> readDictionary(const Extent& extent, int depth)
    {
        PlistDictionary dictionary;
        for (uint64_t i = 0; i < extent.count; ++i) {
            auto keyOffset = offsetOf(referenceAt(extent, i));
            if (!keyOffset)
                return std::nullopt;
            uint8_t kind = m_bytes[*keyOffset] & 0xF0;
            if (kind != ASCIIString && kind != UTF16String)
                return fail("a dictionary key that is not a string");
            if (!m_budget.takeObjects(1))
                return fail("too many values");
            auto key = readText(*keyOffset);
            if (!key)
                return std::nullopt;
            auto value = readObject(referenceAt(extent, extent.count + i), depth);
            if (!value)
                return std::nullopt;
            dictionary.insert_or_assign(std::move(*key), std::move(*value));
        }
        return PlistValue(std::move(dictionary));
    }

    std::span<const uint8_t> m_bytes;
    ParseBudget m_budget;
    size_t m_offsetSize { 0 };
    size_t m_referenceSize { 0 };
    uint64_t m_objectCount { 0 };
    uint64_t m_topObject { 0 };
    size_t m_tableOffset { 0 };
    std::vector<bool> m_entered;
};

}

std::optional<PlistValue> readBinary(std::span<const uint8_t> bytes, std::string& error)
{
    return BinaryReader(bytes).read(error);
}

}
