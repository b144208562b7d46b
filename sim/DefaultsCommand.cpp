// zova-sim defaults: reads and writes a settings store through the same code as the device's
// processes, so that running processes see the change.
#include "Command.hpp"

#include <Json.hpp>
#include <cephei/HBPreferences.hpp>
#include <cephei/PreferencesFile.hpp>
#include <foundation/DeviceRoot.hpp>
#include <foundation/PropertyList.hpp>
#include <foundation/PropertyListFormats.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <strings.h>

namespace sim {

namespace {

bool equalsIgnoringCase(const std::string& text, const char* word)
{
    return strcasecmp(text.c_str(), word) == 0;
}

std::optional<bool> parseBool(const std::string& text)
{
    for (const char* yes : { "YES", "TRUE", "1" }) {
        if (equalsIgnoringCase(text, yes))
            return true;
    }
    for (const char* no : { "NO", "FALSE", "0" }) {
        if (equalsIgnoringCase(text, no))
            return false;
    }
    return std::nullopt;
}

std::optional<int64_t> parseInteger(const std::string& text)
{
    int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The store's whole dictionary, or none (with the reason printed) when the domain has no file. A
// file that can't be read still names a domain: it reads as no values, with a line on stderr.
std::optional<PlistDictionary> existingDomain(const std::string& identifier)
{
    auto file = DeviceRoot::resolve(std::string(PreferencesFile::directoryPath) + "/" + identifier + ".plist");
    std::error_code error;
    if (!file || !std::filesystem::exists(std::filesystem::symlink_status(*file, error))) {
        fail("the domain " + identifier + " does not exist");
        return std::nullopt;
    }
    return HBPreferences::initWithIdentifier(identifier)->dictionaryRepresentation();
}

int readValues(std::span<const std::string> arguments)
{
    // Only before the identifier: after it, "--pretty" is a key like any other.
    auto style = JsonStyle::Compact;
    if (!arguments.empty() && arguments.front() == "--pretty") {
        style = JsonStyle::Pretty;
        arguments = arguments.subspan(1);
    }
    if (arguments.empty() || arguments.size() > 2)
        return fail("usage: defaults read [--pretty] IDENTIFIER [KEY]", 2);
    auto values = existingDomain(arguments[0]);
    if (!values)
        return 1;
    if (arguments.size() == 1) {
        std::printf("%s\n", dumpJson(jsonOfPropertyList(PlistValue(*values)), style).c_str());
        return 0;
    }
    auto value = values->find(arguments[1]);
    if (value == values->end())
        return fail("the key '" + arguments[1] + "' does not exist in the domain " + arguments[0]);
    std::printf("%s\n", dumpJson(jsonOfPropertyList(value->second), style).c_str());
    return 0;
}

std::optional<PlistValue> parseTypedValue(const std::string& type, const std::string& text)
{
    if (type == "-bool" || type == "-boolean") {
        if (auto flag = parseBool(text))
            return PlistValue(*flag);
        fail("bad " + type + " value '" + text + "': expected YES, NO, TRUE, FALSE, 1 or 0");
        return std::nullopt;
    }
    if (type == "-int" || type == "-integer") {
        if (auto number = parseInteger(text))
            return PlistValue(*number);
        fail("bad " + type + " value '" + text + "': expected a whole number that fits in 64 bits");
        return std::nullopt;
    }
    if (type == "-float") {
        if (auto number = parseNumber(text, -HUGE_VAL, HUGE_VAL))
            return PlistValue(*number);
        fail("bad -float value '" + text + "': expected a finite number");
        return std::nullopt;
    }
    if (type == "-string")
        return PlistValue(text);
    fail("unknown value type '" + type + "': expected -bool, -int, -float or -string");
    return std::nullopt;
}

int writeValue(std::span<const std::string> arguments)
{
    // A value without a type is a string.
    if (arguments.size() != 3 && arguments.size() != 4)
        return fail("usage: defaults write IDENTIFIER KEY [-bool|-int|-float|-string] VALUE", 2);
    const auto& text = arguments.back();
    // Only text a property list can hold reads back as it was written.
    if (!PropertyListFormats::isValidText(arguments[1]) || !PropertyListFormats::isValidText(text))
        return fail("keys and values must be valid UTF-8 text", 2);
    auto value = arguments.size() == 3 ? std::optional<PlistValue>(PlistValue(text)) : parseTypedValue(arguments[2], text);
    if (!value)
        return 2;
    auto store = HBPreferences::initWithIdentifier(arguments[0]);
    if (!store->setObject(std::move(*value), arguments[1]))
        return fail("could not write " + arguments[0]);
    return 0;
}

int deleteValues(std::span<const std::string> arguments)
{
    if (arguments.empty() || arguments.size() > 2)
        return fail("usage: defaults delete IDENTIFIER [KEY]", 2);
    // Nothing to delete leaves the device as it was: no file is made for it.
    auto values = existingDomain(arguments[0]);
    if (!values)
        return 1;
    auto store = HBPreferences::initWithIdentifier(arguments[0]);
    if (arguments.size() == 1)
        return store->removeAllObjects() ? 0 : fail("could not write " + arguments[0]);
    if (!values->contains(arguments[1]))
        return fail("the key '" + arguments[1] + "' does not exist in the domain " + arguments[0]);
    return store->removeObjectForKey(arguments[1]) ? 0 : fail("could not write " + arguments[0]);
}

int run(const Options&, std::span<const std::string> arguments)
{
    if (arguments.empty())
        return fail("defaults needs a subcommand: read, write or delete", 2);
    auto rest = arguments.subspan(1);
    if (arguments[0] == "read")
        return readValues(rest);
    if (arguments[0] == "write")
        return writeValue(rest);
    if (arguments[0] == "delete")
        return deleteValues(rest);
    return fail("unknown defaults subcommand '" + arguments[0] + "': expected read, write or delete", 2);
}

const bool s_registered = registerCommand({
    "defaults",
    "defaults read [--pretty] IDENTIFIER [KEY]\n"
    "  defaults write IDENTIFIER KEY [-bool|-int|-float|-string] VALUE\n"
    "  defaults delete IDENTIFIER [KEY]",
    "Reads the settings store IDENTIFIER as JSON (all values, or one), writes one value, or deletes one\n"
    "    key or every value. A read prints one line, or indented over several with --pretty. -bool takes\n"
    "    YES, NO, TRUE, FALSE, 1 or 0 in any case (-boolean and -integer are accepted too); a value without\n"
    "    a type is a string. A domain (a store file) or key that doesn't exist gives exit status 1, and a\n"
    "    delete of one changes nothing. Running processes see writes at once.",
    true,
    &run,
});

}

}
