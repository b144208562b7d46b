#include "Json.hpp"

#include <foundation/PropertyList.hpp>
#include <foundation/PropertyListFormats.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace sim {

std::string dumpJson(const Json& json, JsonStyle style)
{
    int indent = style == JsonStyle::Pretty ? 2 : -1;
    return json.dump(indent, ' ', false, Json::error_handler_t::replace);
}

Json jsonNumber(double number)
{
    if (!std::isfinite(number))
        return nullptr;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.10g", number);
    double rounded = std::strtod(buffer, nullptr);
    // Exact for every whole number below 2^53; larger ones stay reals.
    constexpr double largestExactWhole = 9007199254740992.0;
    if (std::fabs(rounded) < largestExactWhole && rounded == std::trunc(rounded))
        return static_cast<int64_t>(rounded);
    return rounded;
}

Json jsonOfPropertyList(const PlistValue& value)
{
    return std::visit([](const auto& v) -> Json {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, double>) {
            return std::isfinite(v) ? Json(v) : Json(nullptr);
        } else if constexpr (std::is_same_v<T, PlistData>) {
            return PropertyListFormats::encodeBase64(v.bytes);
        } else if constexpr (std::is_same_v<T, PlistArray>) {
            Json array = Json::array();
            for (const auto& item : v)
                array.push_back(jsonOfPropertyList(item));
            return array;
        } else if constexpr (std::is_same_v<T, PlistDictionary>) {
            // The keys are already unique: appending skips the ordered object's search per key, which
            // would make a store of many keys quadratic.
            Json object = Json::object();
            auto& members = object.get_ref<Json::object_t&>();
            members.reserve(v.size());
            for (const auto& [key, item] : v)
                members.emplace_back(key, jsonOfPropertyList(item));
            return object;
        } else {
            return v;
        }
    }, value.storage);
}

}
