// zova-sim defaults: reads and writes a settings store through the same code as the device's
// processes, so that running processes see the change.
#include "Command.hpp"

#include <cephei/HBPreferences.hpp>
#include <cephei/PreferencesFile.hpp>
#include <foundation/DeviceRoot.hpp>
#include <foundation/PropertyList.hpp>

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

// Stored strings must be text: property lists hold Unicode, and the store reads them back as such.
bool isValidUTF8(const std::string& text)
{
    size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<unsigned char>(text[i]);
        size_t length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : (byte >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        uint32_t code = length == 1 ? byte : byte & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        bool isOverlong = (length == 2 && code < 0x80) || (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
        if (isOverlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
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
    if (arguments.empty() || arguments.size() > 2)
        return fail("usage: defaults read IDENTIFIER [KEY]", 2);
    auto values = existingDomain(arguments[0]);
    if (!values)
        return 1;
    if (arguments.size() == 1) {
        std::printf("%s\n", toJSON(PlistValue(*values)).c_str());
        return 0;
    }
    auto value = values->find(arguments[1]);
    if (value == values->end())
        return fail("the key '" + arguments[1] + "' does not exist in the domain " + arguments[0]);
    std::printf("%s\n", toJSON(value->second).c_str());
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
    if (!isValidUTF8(arguments[1]) || !isValidUTF8(text))
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
    "defaults read IDENTIFIER [KEY]\n"
    "  defaults write IDENTIFIER KEY [-bool|-int|-float|-string] VALUE\n"
    "  defaults delete IDENTIFIER [KEY]",
    "Reads the settings store IDENTIFIER as JSON (all values, or one), writes one value, or deletes one\n"
    "    key or every value. -bool takes YES, NO, TRUE, FALSE, 1 or 0 in any case (-boolean and -integer\n"
    "    are accepted too); a value without a type is a string. A domain (a store file) or key that doesn't\n"
    "    exist gives exit status 1, and a delete of one changes nothing. Running processes see writes at once.",
    true,
    &run,
});

}

}
