// Property lists: values, parsing and writing of the XML and binary forms.
// Dates are read as seconds since 2001 (a real number); UIDs, sets and shared containers are refused,
// and so is text that is not UTF-8 or holds NUL.
#pragma once

#include <cstddef>
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
    // Equal, and reals equal bit for bit (NaN included): what a write must read back as.
    bool isIdenticalTo(const PlistValue&) const;
};

namespace NSPropertyListSerialization {

// Bounds on what parsing one file may make, whatever its content.
// Containers nest at most this deep (the outermost container is level 1).
constexpr int maximumDepth = 64;
// Values in one file, counting a shared string or number each time it is used.
constexpr size_t maximumObjects = 100'000;

enum class Format {
    XML,
    Binary,
};

// Parses either form; none (with the reason in *error) for anything that is not a property list or
// goes past the bounds above. Never aborts, whatever the bytes.
std::optional<PlistValue> propertyListWithData(std::span<const uint8_t> bytes, std::string* error = nullptr);
// Empty when the value can't be written so that it reads back unchanged: nested too deeply, or
// text that is not UTF-8 or holds NUL.
std::vector<uint8_t> dataWithPropertyList(const PlistValue&, Format);

}
