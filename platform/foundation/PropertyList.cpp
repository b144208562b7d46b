#include <foundation/PropertyList.hpp>

#include <plist/plist.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistNode = std::unique_ptr<void, PlistDeleter>;

// Nesting is bounded so that a crafted file can't exhaust the stack.
constexpr int maximumDepth = 64;

std::optional<PlistValue> fromNode(plist_t node, int depth, std::string& error);

std::optional<PlistValue> fromArray(plist_t node, int depth, std::string& error)
{
    PlistArray array;
    uint32_t count = plist_array_get_size(node);
    array.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        auto item = fromNode(plist_array_get_item(node, i), depth + 1, error);
        if (!item)
            return std::nullopt;
        array.push_back(std::move(*item));
    }
    return PlistValue(std::move(array));
}

std::optional<PlistValue> fromDictionary(plist_t node, int depth, std::string& error)
{
    PlistDictionary dictionary;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(node, &iterator);
    for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iterator, &key, &value);
        if (!value) {
            std::free(key);
            break;
        }
        auto item = fromNode(value, depth + 1, error);
        std::string keyText = key ? key : "";
        std::free(key);
        if (!item) {
            std::free(iterator);
            return std::nullopt;
        }
        dictionary.insert_or_assign(std::move(keyText), std::move(*item));
    }
    std::free(iterator);
    return PlistValue(std::move(dictionary));
}

std::optional<PlistValue> fromNode(plist_t node, int depth, std::string& error)
{
    if (depth > maximumDepth) {
        error = "nested too deeply";
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return PlistValue(value != 0);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        // Signed integers are stored two's complement in the unsigned node.
        return PlistValue(static_cast<int64_t>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return PlistValue(value);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        char* value = nullptr;
        plist_get_string_val(node, &value);
        std::string text = value ? value : "";
        std::free(value);
        return PlistValue(std::move(text));
    }
    case PLIST_DATA: {
        char* value = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &value, &length);
        PlistData data;
        if (value)
            data.bytes.assign(reinterpret_cast<uint8_t*>(value), reinterpret_cast<uint8_t*>(value) + length);
        std::free(value);
        return PlistValue(std::move(data));
    }
    case PLIST_DATE: {
        int32_t seconds = 0, microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        return PlistValue(static_cast<double>(seconds) + microseconds / 1e6);
    }
    case PLIST_ARRAY:
        return fromArray(node, depth, error);
    case PLIST_DICT:
        return fromDictionary(node, depth, error);
    default:
        error = "unsupported value type";
        return std::nullopt;
    }
}

plist_t toNode(const PlistValue& value)
{
    return std::visit([](const auto& v) -> plist_t {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) {
            return plist_new_bool(v);
        } else if constexpr (std::is_same_v<T, int64_t>) {
            return plist_new_uint(static_cast<uint64_t>(v));
        } else if constexpr (std::is_same_v<T, double>) {
            return plist_new_real(v);
        } else if constexpr (std::is_same_v<T, std::string>) {
            return plist_new_string(v.c_str());
        } else if constexpr (std::is_same_v<T, PlistData>) {
            return plist_new_data(reinterpret_cast<const char*>(v.bytes.data()), v.bytes.size());
        } else if constexpr (std::is_same_v<T, PlistArray>) {
            plist_t array = plist_new_array();
            for (const auto& item : v)
                plist_array_append_item(array, toNode(item));
            return array;
        } else {
            plist_t dictionary = plist_new_dict();
            for (const auto& [key, item] : v)
                plist_dict_set_item(dictionary, key.c_str(), toNode(item));
            return dictionary;
        }
    }, value.storage);
}

const char* base64Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string base64(const std::vector<uint8_t>& bytes)
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

void appendJSON(std::string& out, const PlistValue& value)
{
    std::visit([&out](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) {
            out += v ? "true" : "false";
        } else if constexpr (std::is_same_v<T, int64_t>) {
            out += std::to_string(v);
        } else if constexpr (std::is_same_v<T, double>) {
            if (!std::isfinite(v)) {
                out += "null";
                return;
            }
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%.17g", v);
            out += buffer;
        } else if constexpr (std::is_same_v<T, std::string>) {
            out += toJSONString(v);
        } else if constexpr (std::is_same_v<T, PlistData>) {
            out += toJSONString(base64(v.bytes));
        } else if constexpr (std::is_same_v<T, PlistArray>) {
            out += '[';
            for (size_t i = 0; i < v.size(); ++i) {
                if (i)
                    out += ", ";
                appendJSON(out, v[i]);
            }
            out += ']';
        } else {
            out += '{';
            bool first = true;
            for (const auto& [key, item] : v) {
                if (!first)
                    out += ", ";
                first = false;
                out += toJSONString(key);
                out += ": ";
                appendJSON(out, item);
            }
            out += '}';
        }
    }, value.storage);
}

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

namespace NSPropertyListSerialization {

std::optional<PlistValue> propertyListWithData(std::span<const uint8_t> bytes, std::string* error)
{
    std::string reason;
    if (bytes.empty() || bytes.size() > UINT32_MAX) {
        reason = bytes.empty() ? "empty" : "too large";
    } else {
        plist_t root = nullptr;
        plist_from_memory(reinterpret_cast<const char*>(bytes.data()), static_cast<uint32_t>(bytes.size()), &root);
        PlistNode node(root);
        if (!node) {
            reason = "not a property list";
        } else if (auto value = fromNode(node.get(), 0, reason)) {
            return value;
        }
    }
    if (error)
        *error = reason;
    return std::nullopt;
}

std::vector<uint8_t> dataWithPropertyList(const PlistValue& value, Format format)
{
    PlistNode node(toNode(value));
    char* buffer = nullptr;
    uint32_t length = 0;
    if (format == Format::Binary)
        plist_to_bin(node.get(), &buffer, &length);
    else
        plist_to_xml(node.get(), &buffer, &length);
    std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(buffer), reinterpret_cast<uint8_t*>(buffer) + length);
    std::free(buffer);
    return bytes;
}

}

std::string toJSON(const PlistValue& value)
{
    std::string out;
    appendJSON(out, value);
    return out;
}

std::string toJSONString(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}
