// The two forms of property lists, read and written by the stand-in's own bounded code: file bytes
// are hostile, so nothing here recurses deeper than the nesting limit, reads outside the bytes or
// makes more than the budget allows.
#pragma once

#include <foundation/PropertyList.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace PropertyListFormats {

// The binary form's header and the kinds in the high nibble of each object's marker byte.
namespace BinaryFormat {

constexpr std::string_view magic = "bplist00";
constexpr size_t trailerSize = 32;

enum Marker : uint8_t {
    Simple = 0x00,
    Integer = 0x10,
    Real = 0x20,
    Date = 0x30,
    Data = 0x40,
    ASCIIString = 0x50,
    UTF16String = 0x60,
    Array = 0xA0,
    Dictionary = 0xD0,
};

}

// The first reason a reader gave up, which is the one the caller is told: what fails after it
// only follows from it.
class ReadFailure {
protected:
    std::nullopt_t fail(const char* reason)
    {
        if (m_reason.empty())
            m_reason = reason;
        return std::nullopt;
    }
    bool refuse(const char* reason)
    {
        fail(reason);
        return false;
    }
    const std::string& reason() const { return m_reason; }

private:
    std::string m_reason;
};

// What one parse may still make: values, and bytes of text and data (a shared string or data
// object counts each time it is used).
class ParseBudget {
public:
    explicit ParseBudget(size_t inputBytes);

    bool takeObjects(size_t count);
    bool takeBytes(size_t count);

private:
    size_t m_objects;
    size_t m_bytes;
};

// Text a property list may hold: UTF-8 without NUL. Anything else is refused on reading, never
// carried half-way.
bool isValidText(std::string_view);
// Appends the UTF-8 form of a Unicode scalar value; false for surrogates, NUL or values past U+10FFFF.
bool appendUTF8(std::string&, uint32_t codePoint);

std::string encodeBase64(const std::vector<uint8_t>&);

std::optional<PlistValue> readBinary(std::span<const uint8_t>, std::string& error);
std::optional<PlistValue> readXML(std::span<const uint8_t>, std::string& error);

// Empty when the value can't be written so that it reads back unchanged.
std::vector<uint8_t> writeBinary(const PlistValue&);
std::vector<uint8_t> writeXML(const PlistValue&);

}
