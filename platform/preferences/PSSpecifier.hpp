// One row (or group) of a settings page, as a specifier property list describes it. Every key of
// the entry is kept as a property; only the keys the list controllers know change what a row does.
#pragma once

#include <foundation/PropertyList.hpp>
#include <objc/NSObject.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

enum PSCellType : long {
    PSGroupCell = 0,
    PSLinkCell = 1,
    PSLinkListCell = 2,
    PSListItemCell = 3,
    PSTitleValueCell = 4,
    PSSliderCell = 5,
    PSSwitchCell = 6,
    PSStaticTextCell = 7,
    PSEditTextCell = 8,
    PSSegmentCell = 9,
    PSGiantIconCell = 10,
    PSGiantCell = 11,
    PSSecureEditTextCell = 12,
    PSButtonCell = 13,
    PSEditTextViewCell = 14,
};

class PSSpecifier final : public NSObject {
public:
    PSSpecifier(std::string name, long cellType);

    static std::shared_ptr<PSSpecifier> preferenceSpecifierNamed(const std::string& name, std::weak_ptr<NSObject> target, long cellType);
    // Null for an entry without a known cell type: lists written for other pages load all the same.
    static std::shared_ptr<PSSpecifier> specifierWithDictionary(const PlistDictionary&);
    // "PSSwitchCell" and the like; none for names the framework doesn't know.
    static std::optional<long> cellTypeFromString(const std::string&);

    // Booleans, integers and reals compare by number (5 matches 5.0), everything else exactly.
    static bool isSameValue(const PlistValue&, const PlistValue&);
    // How a value reads on a row: numbers in decimal, booleans as YES and NO, strings as they are.
    static std::string displayText(const PlistValue&);

    const std::string& name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }
    long cellType() const { return m_cellType; }

    std::optional<PlistValue> propertyForKey(const std::string& key) const;
    void setPropertyForKey(PlistValue, const std::string& key);
    // The property when it is a string, else empty.
    std::string stringForKey(const std::string& key) const;

    // The "id" property, else the name.
    std::string identifier() const;
    std::shared_ptr<NSObject> target() const { return m_target.lock(); }
    void setTarget(std::weak_ptr<NSObject> target) { m_target = std::move(target); }
    // From the "action" property; null when there is none.
    SEL action() const { return m_action; }
    void setAction(SEL action) { m_action = action; }
    // The class named by "detail", or null.
    Class detailControllerClass() const;

    // "validValues"; empty when missing or not a list.
    std::vector<PlistValue> values() const;
    // One title per value: the "validTitles" entry at its place when that is a string, else the
    // value's own text.
    std::vector<std::string> titles() const;
    // The title of the first valid value that matches; none when no value does.
    std::optional<std::string> titleForValue(const PlistValue&) const;

private:
    std::string m_name;
    long m_cellType;
    PlistDictionary m_properties;
    std::weak_ptr<NSObject> m_target;
    SEL m_action { nullptr };
};
