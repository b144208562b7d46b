// JSON as every dump and command of the simulated device writes it: members in the order written,
// always valid UTF-8, one line unless asked to be pretty.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

struct PlistValue;

namespace sim {

using Json = nlohmann::ordered_json;

enum class JsonStyle {
    Compact, // one line, for scripts and the browser page
    Pretty,  // indented by 2, for people
};

// Never throws: bytes that are not UTF-8 (names of files, text from store files or labels) become
// U+FFFD, and NUL is escaped.
std::string dumpJson(const Json&, JsonStyle = JsonStyle::Compact);

// A measure (geometry, colour, duration) with enough digits and without binary noise such as
// 0.30000000000000004; whole numbers print without a fraction and non-finite ones as null.
Json jsonNumber(double);

// A property list value: data becomes a base64 string, reals keep their precision (and stay reals),
// non-finite reals become null.
Json jsonOfPropertyList(const PlistValue&);

}
