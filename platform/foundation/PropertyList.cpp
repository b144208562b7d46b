#include <foundation/PropertyList.hpp>
#include <foundation/PropertyListFormats.hpp>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>

namespace {

const char* base64Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}

std::string PropertyListFormats::encodeBase64(const std::vector<uint8_t>& bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t chunk = uint32_t { bytes[i] } << 16;
        if (i + 1 < bytes.size())
            chunk |= uint32_t { bytes[i + 1] } << 8;
        if (i + 2 < bytes.size())
            chunk |= bytes[i + 2];
        out += base64Alphabet[(chunk >> 18) & 63];
        out += base64Alphabet[(chunk >> 12) & 63];
        out += i + 1 < bytes.size() ? base64Alphabet[(chunk >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? base64Alphabet[chunk & 63] : '=';
    }
    return out;
}

const PlistValue* PlistValue::member(const std::string& key) const
{
    auto* dictionary = get<PlistDictionary>();
    if (!dictionary)
        return nullptr;
    auto it = dictionary->find(key);
    return it == dictionary->end() ? nullptr : &it->second;
}

bool PlistValue::operator==(const PlistValue& other) const
{
    return storage == other.storage;
}

bool PlistValue::isIdenticalTo(const PlistValue& other) const
{
    if (storage.index() != other.storage.index())
        return false;
    if (auto* real = get<double>())
        return std::memcmp(real, other.get<double>(), sizeof(double)) == 0;
    if (auto* array = get<PlistArray>()) {
        auto& others = *other.get<PlistArray>();
        return std::equal(array->begin(), array->end(), others.begin(), others.end(),
            [](const PlistValue& a, const PlistValue& b) { return a.isIdenticalTo(b); });
    }
    if (auto* dictionary = get<PlistDictionary>()) {
        auto& others = *other.get<PlistDictionary>();
        return std::equal(dictionary->begin(), dictionary->end(), others.begin(), others.end(),
            [](const auto& a, const auto& b) { return a.first == b.first && a.second.isIdenticalTo(b.second); });
    }
    return storage == other.storage;
}

namespace PropertyListFormats {

ParseBudget::ParseBudget(size_t inputBytes)
    : m_objects(NSPropertyListSerialization::maximumObjects)
    // Shared strings may be used more than once, but never to blow a small file up.
    , m_bytes(inputBytes <= SIZE_MAX / 8 ? inputBytes * 4 + 64 * 1024 : SIZE_MAX / 2)
{
}

bool ParseBudget::takeObjects(size_t count)
{
    if (count > m_objects)
        return false;
    m_objects -= count;
    return true;
}

bool ParseBudget::takeBytes(size_t count)
{
    if (count > m_bytes)
        return false;
    m_bytes -= count;
    return true;
}

bool isValidText(std::string_view text)
{
    size_t at = 0;
    while (at < text.size()) {
        auto lead = static_cast<uint8_t>(text[at]);
        if (lead == 0)
            return false;
        if (lead < 0x80) {
            ++at;
            continue;
        }
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (lead < 0xC2 || lead > 0xF4 || text.size() - at < length)
            return false;
        uint32_t codePoint = lead & (0x7F >> length);
        for (size_t i = 1; i < length; ++i) {
            auto next = static_cast<uint8_t>(text[at + i]);
            if ((next & 0xC0) != 0x80)
                return false;
            codePoint = codePoint << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        static constexpr uint32_t smallest[] = { 0, 0, 0x80, 0x800, 0x10000 };
        if (codePoint < smallest[length] || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
            return false;
        at += length;
    }
    return true;
}

bool appendUTF8(std::string& out, uint32_t codePoint)
{
    if (codePoint == 0 || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
        return false;
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | codePoint >> 6);
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | codePoint >> 12);
        out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | codePoint >> 18);
        out += static_cast<char>(0x80 | (codePoint >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return true;
}

}

namespace NSPropertyListSerialization {

std::optional<PlistValue> propertyListWithData(std::span<const uint8_t> bytes, std::string* error)
{
    std::string reason;
    std::optional<PlistValue> value;
    static constexpr std::string_view binaryMagic = "bplist";
    // Readers are called from hosts: nothing, not even running out of memory, may escape into them.
    try {
        if (bytes.empty()) {
            reason = "empty";
        } else if (bytes.size() >= binaryMagic.size() && std::memcmp(bytes.data(), binaryMagic.data(), binaryMagic.size()) == 0) {
            value = PropertyListFormats::readBinary(bytes, reason);
        } else {
            value = PropertyListFormats::readXML(bytes, reason);
        }
    } catch (const std::exception& failure) {
        value.reset();
        reason = std::string("an internal fault: ") + failure.what();
    }
    if (!value && error)
        *error = reason;
    return value;
}

std::vector<uint8_t> dataWithPropertyList(const PlistValue& value, Format format)
{
    try {
        if (format == Format::Binary)
            return PropertyListFormats::writeBinary(value);
        return PropertyListFormats::writeXML(value);
    } catch (const std::exception&) {
        return {};
    }
}

}
