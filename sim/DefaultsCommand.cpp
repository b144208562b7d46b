// zova-sim defaults: reads and writes a settings store through the same code as the device's
// processes, so that running processes see the change.
#include "Command.hpp"

#include <cephei/HBPreferences.hpp>
#include <foundation/PropertyList.hpp>

#include <charconv>
#include <cstdio>

namespace sim {

namespace {

std::optional<bool> parseBool(const std::string& text)
{
    if (text == "YES" || text == "yes" || text == "true" || text == "1")
        return true;
    if (text == "NO" || text == "no" || text == "false" || text == "0")
        return false;
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

int readValues(std::span<const std::string> arguments)
{
    if (arguments.empty() || arguments.size() > 2)
        return fail("usage: defaults read IDENTIFIER [KEY]", 2);
    auto store = HBPreferences::initWithIdentifier(arguments[0]);
    if (arguments.size() == 1) {
        std::printf("%s\n", toJSON(PlistValue(store->dictionaryRepresentation())).c_str());
        return 0;
    }
    auto value = store->objectForKey(arguments[1]);
    if (!value)
        return fail("the key '" + arguments[1] + "' is not set in " + arguments[0]);
    std::printf("%s\n", toJSON(*value).c_str());
    return 0;
}

std::optional<PlistValue> parseTypedValue(const std::string& type, const std::string& text)
{
    if (type == "-bool") {
        if (auto flag = parseBool(text))
            return PlistValue(*flag);
        fail("bad -bool value '" + text + "': expected YES or NO");
        return std::nullopt;
    }
    if (type == "-int") {
        if (auto number = parseInteger(text))
            return PlistValue(*number);
        fail("bad -int value '" + text + "': expected a whole number that fits in 64 bits");
        return std::nullopt;
    }
    if (type == "-string")
        return PlistValue(text);
    fail("unknown value type '" + type + "': expected -bool, -int or -string");
    return std::nullopt;
}

int writeValue(std::span<const std::string> arguments)
{
    if (arguments.size() != 4)
        return fail("usage: defaults write IDENTIFIER KEY (-bool YES|NO | -int N | -string S)", 2);
    auto value = parseTypedValue(arguments[2], arguments[3]);
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
    auto store = HBPreferences::initWithIdentifier(arguments[0]);
    if (arguments.size() == 1)
        return store->removeAllObjects() ? 0 : fail("could not write " + arguments[0]);
    if (!store->objectForKey(arguments[1]))
        return fail("the key '" + arguments[1] + "' is not set in " + arguments[0]);
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
    "  defaults write IDENTIFIER KEY (-bool YES|NO | -int N | -string S)\n"
    "  defaults delete IDENTIFIER [KEY]",
    "Reads the settings store IDENTIFIER as JSON (all values, or one), writes one value, or deletes one\n"
    "    key or every value; a key that is not set gives exit status 1. Running processes see writes at once.",
    true,
    &run,
});

}

}
