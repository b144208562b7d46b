// Writing of the binary form: every value once (nothing shared), text in ASCII or UTF-16.
#include <foundation/PropertyListFormats.hpp>

#include <algorithm>
#include <bit>

namespace PropertyListFormats {

namespace {

using namespace BinaryFormat;

size_t bytesFor(uint64_t value)
{
    size_t width = 1;
    while (width < 8 && value >> (8 * width))
        ++width;
    return width;
}

void appendBigEndian(std::vector<uint8_t>& out, uint64_t value, size_t width)
{
    for (size_t i = width; i-- > 0;)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

class BinaryWriter {
public:
    std::vector<uint8_t> write(const PlistValue& root)
    {
        auto count = countObjects(root, 0);
        if (!count)
            return {};
        m_referenceSize = bytesFor(*count);
        m_out.assign(magic.begin(), magic.end());
        if (!append(root))
            return {};
        size_t tableOffset = m_out.size();
        size_t offsetSize = bytesFor(tableOffset);
        for (uint64_t offset : m_offsets)
            appendBigEndian(m_out, offset, offsetSize);
        m_out.insert(m_out.end(), 6, 0);
        m_out.push_back(static_cast<uint8_t>(offsetSize));
        m_out.push_back(static_cast<uint8_t>(m_referenceSize));
        appendBigEndian(m_out, m_offsets.size(), 8);
        appendBigEndian(m_out, 0, 8);
        appendBigEndian(m_out, tableOffset, 8);
        return std::move(m_out);
    }

private:
    // Objects the value needs (keys included); none when it is nested too deeply to read back.
    static std::optional<uint64_t> countObjects(const PlistValue& value, int depth)
    {
        const auto* array = value.get<PlistArray>();
        const auto* dictionary = value.get<PlistDictionary>();
        if (!array && !dictionary)
            return 1;
        if (depth >= NSPropertyListSerialization::maximumDepth)
            return std::nullopt;
        uint64_t count = 1;
        auto add = [&](const PlistValue& item) {
            auto items = countObjects(item, depth + 1);
            count += items.value_or(0);
            return items.has_value();
        };
        if (array)
            return std::all_of(array->begin(), array->end(), add) ? std::optional(count) : std::nullopt;
        count += dictionary->size();
        return std::all_of(dictionary->begin(), dictionary->end(), [&](const auto& entry) { return add(entry.second); })
            ? std::optional(count) : std::nullopt;
    }

    uint64_t beginObject()
    {
        m_offsets.push_back(m_out.size());
        return m_offsets.size() - 1;
    }

    void appendMarker(uint8_t kind, uint64_t count)
    {
        m_out.push_back(static_cast<uint8_t>(kind | (count < 15 ? count : 15)));
        if (count >= 15) {
            size_t width = bytesFor(count);
            width = width > 4 ? 8 : width > 2 ? 4 : width;
            m_out.push_back(static_cast<uint8_t>(Integer | std::countr_zero(width)));
            appendBigEndian(m_out, count, width);
        }
    }

    void appendInteger(int64_t value)
    {
        // Negative numbers take eight bytes, the only width read as signed.
        auto bits = static_cast<uint64_t>(value);
        size_t width = value < 0 ? 8 : bytesFor(bits);
        width = width > 4 ? 8 : width > 2 ? 4 : width;
        m_out.push_back(static_cast<uint8_t>(Integer | std::countr_zero(width)));
        appendBigEndian(m_out, bits, width);
    }

    // ASCII as it is; anything else as UTF-16, which is what readers expect of non-ASCII text.
    bool appendString(const std::string& text)
    {
        if (!isValidText(text))
            return false;
        bool isASCII = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<uint8_t>(c) < 0x80; });
        if (isASCII) {
            appendMarker(ASCIIString, text.size());
            m_out.insert(m_out.end(), text.begin(), text.end());
            return true;
        }
        std::vector<uint16_t> units;
        for (size_t at = 0; at < text.size();) {
            auto lead = static_cast<uint8_t>(text[at]);
            size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            uint32_t codePoint = length == 1 ? lead : lead & (0x7Fu >> length);
            for (size_t i = 1; i < length; ++i)
                codePoint = codePoint << 6 | (static_cast<uint8_t>(text[at + i]) & 0x3F);
            at += length;
            if (codePoint >= 0x10000) {
                codePoint -= 0x10000;
                units.push_back(static_cast<uint16_t>(0xD800 + (codePoint >> 10)));
                units.push_back(static_cast<uint16_t>(0xDC00 + (codePoint & 0x3FF)));
            } else {
                units.push_back(static_cast<uint16_t>(codePoint));
            }
        }
        appendMarker(UTF16String, units.size());
        for (uint16_t unit : units)
            appendBigEndian(m_out, unit, 2);
        return true;
    }

    void appendReferences(const std::vector<uint64_t>& references)
    {
        for (uint64_t reference : references)
            appendBigEndian(m_out, reference, m_referenceSize);
    }

    // Containers write their items first, then themselves with the items' references.
    bool append(const PlistValue& value)
    {
        if (const auto* array = value.get<PlistArray>()) {
            uint64_t object = beginObject();
            std::vector<uint64_t> references;
            for (const auto& item : *array) {
                references.push_back(m_offsets.size());
                if (!append(item))
                    return false;
            }
            m_offsets[object] = m_out.size();
            appendMarker(Array, references.size());
            appendReferences(references);
            return true;
        }
        if (const auto* dictionary = value.get<PlistDictionary>()) {
            uint64_t object = beginObject();
            std::vector<uint64_t> keys, values;
            for (const auto& [key, item] : *dictionary) {
                keys.push_back(beginObject());
                if (!appendString(key))
                    return false;
                values.push_back(m_offsets.size());
                if (!append(item))
                    return false;
            }
            m_offsets[object] = m_out.size();
            appendMarker(Dictionary, keys.size());
            appendReferences(keys);
            appendReferences(values);
            return true;
        }
        beginObject();
        return appendLeaf(value);
    }

    bool appendLeaf(const PlistValue& value)
    {
        if (const auto* flag = value.get<bool>()) {
            m_out.push_back(*flag ? 0x09 : 0x08);
        } else if (const auto* number = value.get<int64_t>()) {
            appendInteger(*number);
        } else if (const auto* real = value.get<double>()) {
            m_out.push_back(Real | 3);
            appendBigEndian(m_out, std::bit_cast<uint64_t>(*real), 8);
        } else if (const auto* text = value.get<std::string>()) {
            return appendString(*text);
        } else if (const auto* data = value.get<PlistData>()) {
            appendMarker(Data, data->bytes.size());
            m_out.insert(m_out.end(), data->bytes.begin(), data->bytes.end());
        }
        return true;
    }

    std::vector<uint8_t> m_out;
    std::vector<uint64_t> m_offsets;
    size_t m_referenceSize { 1 };
};

}

std::vector<uint8_t> writeBinary(const PlistValue& value)
{
    return BinaryWriter().write(value);
}

}
