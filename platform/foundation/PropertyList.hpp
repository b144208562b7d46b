// Property lists: values, parsing of the XML and binary forms, binary writing, and JSON output.
// Dates are read as seconds since 2001 (a real number); UIDs are refused.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

struct PlistValue;
using PlistArray = std::vector<PlistValue>;
using PlistDictionary = std::map<std::string, PlistValue>;

struct PlistData {
    std::vector<uint8_t> bytes;
    bool operator==(const PlistData&) const = default;
};

struct PlistValue {
    using Storage = std::variant<bool, int64_t, double, std::string, PlistData, PlistArray, PlistDictionary>;
    Storage storage;

    PlistValue() = default;
    PlistValue(bool value) : storage(value) { }
    PlistValue(int64_t value) : storage(value) { }
    PlistValue(int value) : storage(int64_t { value }) { }
    PlistValue(double value) : storage(value) { }
    PlistValue(std::string value) : storage(std::move(value)) { }
    PlistValue(const char* value) : storage(std::string(value)) { }
    PlistValue(PlistData value) : storage(std::move(value)) { }
    PlistValue(PlistArray value) : storage(std::move(value)) { }
    PlistValue(PlistDictionary value) : storage(std::move(value)) { }

    template<typename T>
    const T* get() const { return std::get_if<T>(&storage); }

    // The dictionary member of that key, or null (also when this is not a dictionary).
    const PlistValue* member(const std::string& key) const;

    bool operator==(const PlistValue&) const;
};

namespace NSPropertyListSerialization {

enum class Format {
    XML,
    Binary,
};

// Parses either form; none (with the reason in *error) for anything that is not a property list.
std::optional<PlistValue> propertyListWithData(std::span<const uint8_t> bytes, std::string* error = nullptr);
std::vector<uint8_t> dataWithPropertyList(const PlistValue&, Format);

}

// JSON text of a value: data becomes a base64 string, reals keep their precision.
std::string toJSON(const PlistValue&);
// A JSON string literal, quoted and escaped.
std::string toJSONString(const std::string&);
