// Hostile bytes, binary or XML, through the settings store's read path and every property list
// reader: nothing aborts, whatever reads writes back as the same values in both forms, and its JSON
// is text that reads back.
#include <Json.hpp>
#include <cephei/PreferencesFile.hpp>
#include <foundation/PropertyList.hpp>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>

namespace {

// The XML form spells every NaN "nan", so only NaN's payload may differ there.
bool sameValues(const PlistValue& a, const PlistValue& b)
{
    auto* x = a.get<double>();
    auto* y = b.get<double>();
    if (x && y && std::isnan(*x) && std::isnan(*y))
        return true;
    auto* arrayA = a.get<PlistArray>();
    auto* arrayB = b.get<PlistArray>();
    if (arrayA && arrayB)
        return std::equal(arrayA->begin(), arrayA->end(), arrayB->begin(), arrayB->end(), sameValues);
    auto* dictionaryA = a.get<PlistDictionary>();
    auto* dictionaryB = b.get<PlistDictionary>();
    if (dictionaryA && dictionaryB) {
        return std::equal(dictionaryA->begin(), dictionaryA->end(), dictionaryB->begin(), dictionaryB->end(),
            [](const auto& p, const auto& q) { return p.first == q.first && sameValues(p.second, q.second); });
    }
    return a.isIdenticalTo(b);
}

void checkRoundTrip(const PlistValue& value, NSPropertyListSerialization::Format format)
{
    auto bytes = NSPropertyListSerialization::dataWithPropertyList(value, format);
    if (bytes.empty())
        std::abort();
    auto readBack = NSPropertyListSerialization::propertyListWithData(bytes);
    if (!readBack)
        std::abort();
    bool isBinary = format == NSPropertyListSerialization::Format::Binary;
    if (isBinary ? !readBack->isIdenticalTo(value) : !sameValues(*readBack, value))
        std::abort();
}

void checkJson(const PlistValue& value)
{
    try {
        auto text = sim::dumpJson(sim::jsonOfPropertyList(value));
        if (!nlohmann::json::accept(text))
            std::abort();
    } catch (const std::exception&) {
        std::abort();
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::span<const uint8_t> bytes(data, size);
    std::string problem;
    if (auto values = PreferencesFile::parse(bytes, problem)) {
        if (!PreferencesFile::serialize(*values, problem) && size <= 256 * 1024)
            std::abort();
    }
    std::string reason;
    auto value = NSPropertyListSerialization::propertyListWithData(bytes, &reason);
    // Exceptions are caught before they reach a host, but each one is a fault of the reader.
    if (reason.starts_with("an internal fault"))
        std::abort();
    if (value) {
        checkRoundTrip(*value, NSPropertyListSerialization::Format::Binary);
        checkRoundTrip(*value, NSPropertyListSerialization::Format::XML);
        checkJson(*value);
    }
    return 0;
}
