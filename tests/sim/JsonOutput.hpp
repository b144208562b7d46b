// zova-sim's JSON read back as values, so that a test states what the output holds rather than how
// it is spelled.
#pragma once

#include <nlohmann/json.hpp>

#include <sstream>
#include <string>
#include <vector>

namespace simtest {

using Json = nlohmann::ordered_json;

// The whole text as one value; a discarded value when it isn't exactly one JSON text.
inline Json parsedJson(const std::string& text)
{
    return Json::parse(text, nullptr, false);
}

// Each line as one value.
inline std::vector<Json> jsonLines(const std::string& text)
{
    std::vector<Json> values;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        values.push_back(parsedJson(line));
    return values;
}

// An object matches when it has every member of the pattern, each matching in turn; anything else
// must equal it.
inline bool matches(const Json& value, const Json& pattern)
{
    if (!pattern.is_object())
        return value == pattern;
    if (!value.is_object())
        return false;
    for (const auto& [key, member] : pattern.items()) {
        if (!value.contains(key) || !matches(value[key], member))
            return false;
    }
    return true;
}

// How many values anywhere in the tree (the tree included) match the pattern.
inline int countMatches(const Json& tree, const Json& pattern)
{
    int count = matches(tree, pattern) ? 1 : 0;
    if (tree.is_structured()) {
        for (const auto& child : tree)
            count += countMatches(child, pattern);
    }
    return count;
}

inline bool containsMatch(const Json& tree, const Json& pattern)
{
    return countMatches(tree, pattern) > 0;
}

}
