#include <preferences/PSSpecifier.hpp>

#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <utility>

static const Class s_class = objc::registerClass<PSSpecifier>("PSSpecifier", "NSObject");

namespace {

constexpr std::array<std::pair<std::string_view, long>, 15> s_cellTypes { {
    { "PSGroupCell", PSGroupCell },
    { "PSLinkCell", PSLinkCell },
    { "PSLinkListCell", PSLinkListCell },
    { "PSListItemCell", PSListItemCell },
    { "PSTitleValueCell", PSTitleValueCell },
    { "PSSliderCell", PSSliderCell },
    { "PSSwitchCell", PSSwitchCell },
    { "PSStaticTextCell", PSStaticTextCell },
    { "PSEditTextCell", PSEditTextCell },
    { "PSSegmentCell", PSSegmentCell },
    { "PSGiantIconCell", PSGiantIconCell },
    { "PSGiantCell", PSGiantCell },
    { "PSSecureEditTextCell", PSSecureEditTextCell },
    { "PSButtonCell", PSButtonCell },
    { "PSEditTextViewCell", PSEditTextViewCell },
} };

std::optional<double> numberOf(const PlistValue& value)
{
    if (auto* flag = value.get<bool>())
        return *flag ? 1.0 : 0.0;
    if (auto* integer = value.get<int64_t>())
        return static_cast<double>(*integer);
    if (auto* real = value.get<double>())
        return *real;
    return std::nullopt;
}

}

PSSpecifier::PSSpecifier(std::string name, long cellType)
    : m_name(std::move(name))
    , m_cellType(cellType)
{
}

std::shared_ptr<PSSpecifier> PSSpecifier::preferenceSpecifierNamed(const std::string& name, std::weak_ptr<NSObject> target, long cellType)
{
    auto specifier = std::make_shared<PSSpecifier>(name, cellType);
    specifier->setTarget(std::move(target));
    return specifier;
}

std::shared_ptr<PSSpecifier> PSSpecifier::specifierWithDictionary(const PlistDictionary& entry)
{
    auto cell = entry.find("cell");
    const std::string* cellName = cell == entry.end() ? nullptr : cell->second.get<std::string>();
    auto cellType = cellName ? cellTypeFromString(*cellName) : std::nullopt;
    if (!cellType)
        return nullptr;
    auto specifier = std::make_shared<PSSpecifier>(std::string(), *cellType);
    specifier->m_properties = entry;
    specifier->m_name = specifier->stringForKey("label");
    std::string action = specifier->stringForKey("action");
    if (!action.empty())
        specifier->m_action = sel_registerName(action);
    return specifier;
}

std::optional<long> PSSpecifier::cellTypeFromString(const std::string& name)
{
    for (const auto& [text, type] : s_cellTypes) {
        if (text == name)
            return type;
    }
    return std::nullopt;
}

bool PSSpecifier::isSameValue(const PlistValue& a, const PlistValue& b)
{
    auto first = numberOf(a);
    auto second = numberOf(b);
    if (first && second)
        return *first == *second;
    return a == b;
}

std::string PSSpecifier::displayText(const PlistValue& value)
{
    if (auto* flag = value.get<bool>())
        return *flag ? "YES" : "NO";
    if (auto* integer = value.get<int64_t>())
        return std::to_string(*integer);
    if (auto* real = value.get<double>()) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", *real);
        return text;
    }
    if (auto* text = value.get<std::string>())
        return *text;
    return {};
}

std::optional<PlistValue> PSSpecifier::propertyForKey(const std::string& key) const
{
    auto it = m_properties.find(key);
    if (it == m_properties.end())
        return std::nullopt;
    return it->second;
}

void PSSpecifier::setPropertyForKey(PlistValue value, const std::string& key)
{
    m_properties.insert_or_assign(key, std::move(value));
}

std::string PSSpecifier::stringForKey(const std::string& key) const
{
    auto it = m_properties.find(key);
    const std::string* text = it == m_properties.end() ? nullptr : it->second.get<std::string>();
    return text ? *text : std::string();
}

std::string PSSpecifier::identifier() const
{
    std::string explicitIdentifier = stringForKey("id");
    return explicitIdentifier.empty() ? m_name : explicitIdentifier;
}

Class PSSpecifier::detailControllerClass() const
{
    std::string detail = stringForKey("detail");
    return detail.empty() ? nullptr : objc_getClass(detail.c_str());
}

std::vector<PlistValue> PSSpecifier::values() const
{
    auto it = m_properties.find("validValues");
    const PlistArray* values = it == m_properties.end() ? nullptr : it->second.get<PlistArray>();
    return values ? *values : std::vector<PlistValue>();
}

std::vector<std::string> PSSpecifier::titles() const
{
    auto values = this->values();
    auto it = m_properties.find("validTitles");
    const PlistArray* titles = it == m_properties.end() ? nullptr : it->second.get<PlistArray>();
    std::vector<std::string> result;
    result.reserve(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        const std::string* title = titles && i < titles->size() ? (*titles)[i].get<std::string>() : nullptr;
        result.push_back(title ? *title : displayText(values[i]));
    }
    return result;
}

std::optional<std::string> PSSpecifier::titleForValue(const PlistValue& value) const
{
    auto values = this->values();
    for (size_t i = 0; i < values.size(); ++i) {
        if (isSameValue(values[i], value))
            return titles()[i];
    }
    return std::nullopt;
}
