// Property lists that once aborted, overflowed or exhausted every process reading them, and a
// builder for binary variants made object by object (valid or not).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hostile {

// Binary plists of numbered objects; references may name objects added later, or none at all.
class BinaryPlistBuilder {
public:
    explicit BinaryPlistBuilder(uint8_t referenceSize = 1, uint8_t offsetSize = 4)
        : m_referenceSize(referenceSize)
        , m_offsetSize(offsetSize)
    {
    }

    uint64_t raw(std::vector<uint8_t> bytes)
    {
        m_objects.push_back(std::move(bytes));
        return m_objects.size() - 1;
    }
    uint64_t boolean(bool value) { return raw({ static_cast<uint8_t>(value ? 0x09 : 0x08) }); }
    uint64_t integer(uint8_t value) { return raw({ 0x10, value }); }
    uint64_t ascii(const std::string& text)
    {
        std::vector<uint8_t> bytes = lengthMarker(0x50, text.size());
        bytes.insert(bytes.end(), text.begin(), text.end());
        return raw(std::move(bytes));
    }
    uint64_t data(size_t length, uint8_t fill)
    {
        std::vector<uint8_t> bytes = lengthMarker(0x40, length);
        bytes.insert(bytes.end(), length, fill);
        return raw(std::move(bytes));
    }
    uint64_t array(const std::vector<uint64_t>& items)
    {
        std::vector<uint8_t> bytes = lengthMarker(0xA0, items.size());
        appendReferences(bytes, items);
        return raw(std::move(bytes));
    }
    uint64_t dictionary(const std::vector<uint64_t>& keys, const std::vector<uint64_t>& values)
    {
        std::vector<uint8_t> bytes = lengthMarker(0xD0, keys.size());
        appendReferences(bytes, keys);
        appendReferences(bytes, values);
        return raw(std::move(bytes));
    }

    // The file: header, objects, offset table and trailer, with the counts given or the true ones.
    std::vector<uint8_t> bytes(uint64_t top = 0) const { return bytes(top, m_objects.size()); }
    std::vector<uint8_t> bytes(uint64_t top, uint64_t objectCount) const
    {
        std::vector<uint8_t> out { 'b', 'p', 'l', 'i', 's', 't', '0', '0' };
        std::vector<uint64_t> offsets;
        for (const auto& object : m_objects) {
            offsets.push_back(out.size());
            out.insert(out.end(), object.begin(), object.end());
        }
        uint64_t tableOffset = out.size();
        for (uint64_t offset : offsets)
            append(out, offset, m_offsetSize);
        out.insert(out.end(), 6, 0);
        out.push_back(m_offsetSize);
        out.push_back(m_referenceSize);
        append(out, objectCount, 8);
        append(out, top, 8);
        append(out, tableOffset, 8);
        return out;
    }

private:
    static void append(std::vector<uint8_t>& out, uint64_t value, size_t width)
    {
        for (size_t i = width; i-- > 0;)
            out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    static std::vector<uint8_t> lengthMarker(uint8_t kind, uint64_t count)
    {
        if (count < 15)
            return { static_cast<uint8_t>(kind | count) };
        std::vector<uint8_t> bytes { static_cast<uint8_t>(kind | 0x0F), 0x13 };
        append(bytes, count, 8);
        return bytes;
    }
    void appendReferences(std::vector<uint8_t>& out, const std::vector<uint64_t>& references) const
    {
        for (uint64_t reference : references)
            append(out, reference, m_referenceSize);
    }

    uint8_t m_referenceSize;
    uint8_t m_offsetSize;
    std::vector<std::vector<uint8_t>> m_objects;
};

// { "siripic": "a\0b" } with the string in UTF-16.
inline std::vector<uint8_t> utf16NulStore()
{
    return { 0x62, 0x70, 0x6c, 0x69, 0x73, 0x74, 0x30, 0x30, 0xd1, 0x01, 0x02, 0x57, 0x73, 0x69, 0x72, 0x69,
        0x70, 0x69, 0x63, 0x63, 0x00, 0x61, 0x00, 0x00, 0x00, 0x62, 0x08, 0x0b, 0x13, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1a };
}

// { "siripic": "a\0b" } in XML, with the NUL raw.
inline std::vector<uint8_t> xmlRawNulStore()
{
    std::string text = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>siripic</key><string>a";
    text += '\0';
    text += "b</string></dict></plist>";
    return std::vector<uint8_t>(text.begin(), text.end());
}

// Arrays each holding the next one twice: 2^levels values once expanded.
inline std::vector<uint8_t> sharedArrays(int levels)
{
    BinaryPlistBuilder builder(1, 1);
    for (int level = 0; level < levels; ++level)
        builder.array({ static_cast<uint64_t>(level + 1), static_cast<uint64_t>(level + 1) });
    builder.integer(1);
    return builder.bytes();
}

// { "siripic": 3, <ASCII-marked bytes past 0x7F>: 1 }.
inline std::vector<uint8_t> asciiHighByteStore()
{
    BinaryPlistBuilder builder(1, 1);
    builder.dictionary({ 1, 2 }, { 3, 4 });
    builder.ascii("siripic");
    builder.ascii("\xbe\x8a\x91\x9b\x93\x9c\x8c");
    builder.integer(3);
    builder.integer(1);
    return builder.bytes();
}

// A dictionary holding arrays nested `depth` deep (the dictionary is level 1).
inline std::vector<uint8_t> nestedStore(uint64_t depth)
{
    BinaryPlistBuilder builder(4, 4);
    builder.dictionary({ 1 }, { 2 });
    builder.ascii("siripic");
    for (uint64_t level = 2; level <= depth; ++level)
        builder.array({ level + 1 });
    builder.boolean(true);
    return builder.bytes();
}

inline std::vector<uint8_t> nestedXML(size_t depth)
{
    std::string text = "<plist version=\"1.0\"><dict><key>siripic</key>";
    for (size_t level = 1; level < depth; ++level)
        text += "<array>";
    text += "<true/>";
    for (size_t level = 1; level < depth; ++level)
        text += "</array>";
    text += "</dict></plist>";
    return std::vector<uint8_t>(text.begin(), text.end());
}

}
