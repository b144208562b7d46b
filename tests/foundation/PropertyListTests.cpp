// Property list reading and writing, with hostile files of both forms and round trips of every value.
#include "HostilePropertyLists.hpp"

#include <foundation/PropertyList.hpp>

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <limits>

using namespace hostile;
using NSPropertyListSerialization::Format;

namespace {

std::string refusal(const std::vector<uint8_t>& bytes)
{
    std::string reason;
    auto value = NSPropertyListSerialization::propertyListWithData(bytes, &reason);
    return value ? "read" : reason;
}

// The XML form of a value, to show what a failed comparison read.
std::string xmlOf(const PlistValue& value)
{
    auto bytes = NSPropertyListSerialization::dataWithPropertyList(value, Format::XML);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<uint8_t> bytesOf(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

PlistValue everyKindOfValue()
{
    PlistArray reals { PlistValue(0.0), PlistValue(-0.0), PlistValue(1.5), PlistValue(-2.25e-308), PlistValue(1e308),
        PlistValue(std::numeric_limits<double>::denorm_min()), PlistValue(0.1),
        PlistValue(std::numeric_limits<double>::infinity()), PlistValue(-std::numeric_limits<double>::infinity()),
        PlistValue(std::numeric_limits<double>::quiet_NaN()) };
    PlistArray integers;
    for (int64_t number : { int64_t { 0 }, int64_t { -1 }, int64_t { 255 }, int64_t { 256 }, int64_t { 65535 }, int64_t { 65536 },
             int64_t { 4294967295 }, int64_t { 4294967296 }, std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min() })
        integers.push_back(PlistValue(number));
    PlistArray strings { PlistValue(""), PlistValue("plain"), PlistValue("caf\xc3\xa9"), PlistValue("\xf0\x9f\x98\x80 emoji"),
        PlistValue("\xe6\xbc\xa2\xe5\xad\x97 and a line\r\nwith\ttabs & <tags>"), PlistValue(std::string(300, 'x')),
        PlistValue("\x01\x1f control") };
    PlistDictionary nested { { "inner", PlistValue(PlistDictionary { { "deeper", PlistValue(PlistArray { PlistValue(PlistArray {}) }) } }) },
        { "", PlistValue(PlistDictionary {}) } };
    return PlistValue(PlistDictionary {
        { "bools", PlistValue(PlistArray { PlistValue(true), PlistValue(false) }) },
        { "integers", PlistValue(std::move(integers)) },
        { "reals", PlistValue(std::move(reals)) },
        { "strings", PlistValue(std::move(strings)) },
        { "data", PlistValue(PlistArray { PlistValue(PlistData {}), PlistValue(PlistData { std::vector<uint8_t>(1000, 0xAB) }) }) },
        { "nested", PlistValue(std::move(nested)) },
        { "k\xc3\xa9y \xf0\x9f\x94\x91", PlistValue(1) },
    });
}

}

TEST(BinaryPropertyList, RefusesTheFilesThatAbortedOrExhaustedReaders)
{
    // Catches a reader that aborts on NUL in UTF-16, expands shared arrays into 2^29 values, or
    // takes ASCII-marked bytes past 0x7F as text it can't write back.
    EXPECT_EQ(refusal(utf16NulStore()), "a string holds NUL or a lone surrogate");
    EXPECT_EQ(refusal(sharedArrays(29)), "a container referenced more than once");
    EXPECT_EQ(refusal(asciiHighByteStore()), "a string marked ASCII holds NUL or bytes past 0x7F");
    EXPECT_EQ(refusal(nestedStore(100'000)), "nested too deeply");
}

TEST(BinaryPropertyList, NestingIsBoundedAtTheLimit)
{
    // Catches an off-by-one that refuses what the writer makes, or lets one more level through.
    EXPECT_EQ(refusal(nestedStore(NSPropertyListSerialization::maximumDepth)), "read");
    EXPECT_EQ(refusal(nestedStore(NSPropertyListSerialization::maximumDepth + 1)), "nested too deeply");
}

TEST(BinaryPropertyList, RefusesCyclesBadOffsetsCountsAndTypes)
{
    // Catches reads outside the file, counts trusted before they are checked, and types that can't
    // be carried.
    std::vector<std::pair<std::string, std::vector<uint8_t>>> cases;
    auto single = [&](std::string name, std::vector<uint8_t> object) {
        BinaryPlistBuilder builder;
        builder.raw(std::move(object));
        cases.emplace_back(std::move(name), builder.bytes());
    };
    BinaryPlistBuilder cycle;
    cycle.array({ 1 });
    cycle.array({ 0 });
    cases.emplace_back("cycle", cycle.bytes());
    single("a count of 2^60 items", { 0xAF, 0x13, 0x10, 0, 0, 0, 0, 0, 0, 0 });
    single("a reference past the objects", { 0xA1, 0x05 });
    single("a count past the file", { 0x4F, 0x10, 0xFF });
    single("a 16-byte integer past 64 bits", { 0x14, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0 });
    single("an integer cut short", { 0x13, 1, 2 });
    single("a UID", { 0x80, 1 });
    single("a set", { 0xC1, 0 });
    single("a lone surrogate", { 0x61, 0xD8, 0x00 });
    single("NUL in ASCII", { 0x52, 'a', 0 });
    single("null", { 0x00 });
    BinaryPlistBuilder numberKey;
    numberKey.dictionary({ 1 }, { 1 });
    numberKey.integer(1);
    cases.emplace_back("a number as a key", numberKey.bytes());
    BinaryPlistBuilder valid;
    valid.array({ 1 });
    valid.boolean(true);
    auto good = valid.bytes();
    ASSERT_EQ(refusal(good), "read");
    cases.emplace_back("a top object past the count", valid.bytes(2));
    cases.emplace_back("an object count of 2^63", valid.bytes(0, uint64_t { 1 } << 63));
    for (size_t cut : { size_t { 1 }, size_t { 8 }, size_t { 20 }, good.size() - 1 })
        cases.emplace_back("cut to " + std::to_string(cut), std::vector<uint8_t>(good.begin(), good.begin() + static_cast<ptrdiff_t>(cut)));
    for (size_t field : { size_t { 6 }, size_t { 7 } }) {
        for (uint8_t size : { uint8_t { 0 }, uint8_t { 9 } }) {
            auto bad = good;
            bad[bad.size() - 32 + field] = size;
            cases.emplace_back("size field " + std::to_string(field) + " = " + std::to_string(size), bad);
        }
    }
    auto pastEnd = good;
    pastEnd[pastEnd.size() - 1] = 0xF0;
    cases.emplace_back("an offset table past the file", pastEnd);
    auto objectPastTable = good;
    objectPastTable[objectPastTable.size() - 32 - 1] = 0xFF;
    cases.emplace_back("an object offset past the table", objectPastTable);
    for (const auto& [name, bytes] : cases)
        EXPECT_NE(refusal(bytes), "read") << name;
}

TEST(BinaryPropertyList, SharedValuesAreBoundedByCountAndSize)
{
    // Catches shared leaves used as an amplifier: one megabyte of data referenced a thousand times,
    // or a hundred thousand references to one value.
    BinaryPlistBuilder bigData(2);
    bigData.array(std::vector<uint64_t>(1000, 1));
    bigData.data(1 << 20, 7);
    EXPECT_EQ(refusal(bigData.bytes()), "too much text and data");

    BinaryPlistBuilder manyValues(2);
    manyValues.array(std::vector<uint64_t>(NSPropertyListSerialization::maximumObjects, 1));
    manyValues.boolean(true);
    EXPECT_EQ(refusal(manyValues.bytes()), "too many values");

    // Writers share equal leaves; such files read.
    BinaryPlistBuilder sharedLeaves;
    sharedLeaves.dictionary({ 1, 2 }, { 3, 3 });
    sharedLeaves.ascii("acceso");
    sharedLeaves.ascii("trasparente");
    sharedLeaves.boolean(true);
    auto values = NSPropertyListSerialization::propertyListWithData(sharedLeaves.bytes());
    ASSERT_TRUE(values);
    EXPECT_EQ(*values, PlistValue(PlistDictionary { { "acceso", PlistValue(true) }, { "trasparente", PlistValue(true) } }));
}

TEST(XMLPropertyList, RefusesNulControlCharactersBadTextAndExpansion)
{
    // Catches a raw NUL that aborted the reader, deep nesting that overflowed the stack, and
    // declarations or references that would expand or smuggle NUL in.
    EXPECT_EQ(refusal(xmlRawNulStore()), "NUL, a control character or bytes that are not UTF-8");
    EXPECT_EQ(refusal(nestedXML(100'000)), "nested too deeply");
    EXPECT_EQ(refusal(nestedXML(NSPropertyListSerialization::maximumDepth)), "read");
    EXPECT_EQ(refusal(nestedXML(NSPropertyListSerialization::maximumDepth + 1)), "nested too deeply");
    std::string many = "<plist><array>";
    for (size_t i = 0; i < NSPropertyListSerialization::maximumObjects; ++i)
        many += "<true/>";
    EXPECT_EQ(refusal(bytesOf(many + "</array></plist>")), "too many values");
    std::vector<std::string> bad = {
        "<plist><string>\x01</string></plist>",
        "<plist><string>\xff</string></plist>",
        "<plist><string>\xc0\x80</string></plist>",
        "<plist><string>&#0;</string></plist>",
        "<plist><string>&#xD800;</string></plist>",
        "<plist><string>&bomb;</string></plist>",
        "<plist><string>a&;</string></plist>",
        "<plist><string>&#;&#x;</string></plist>",
        "<!DOCTYPE plist [<!ENTITY a \"aaaa\">]><plist><string>&a;</string></plist>",
        "<plist><string>open</plist>",
        "<plist><dict><string>no key</string></dict></plist>",
        "<plist><integer>99999999999999999999</integer></plist>",
        "<plist><integer>-9223372036854775809</integer></plist>",
        "<plist><real>1.5x</real></plist>",
        "<plist><data>!!</data></plist>",
        "<plist><true/></plist><extra/>",
        "<plist><!-- unterminated </plist>",
        "<plist><uid>1</uid></plist>",
        "",
    };
    for (const auto& text : bad)
        EXPECT_NE(refusal(bytesOf(text)), "read") << text;
}

TEST(XMLPropertyList, ReadsTheFormsWritersUse)
{
    // Catches a reader too strict for real files: prologs, comments, CDATA, references, empty
    // elements, hexadecimal and huge unsigned integers, dates and special reals.
    auto value = NSPropertyListSerialization::propertyListWithData(bytesOf(
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- made by hand -->\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\"><dict>\n"
        "  <key>text</key><string>a &amp; b &lt;&#x1F600;&#233;<![CDATA[<raw>]]></string>\n"
        "  <key>empty</key><string/>\n  <key>list</key><array/>\n  <!-- between -->\n"
        "  <key>hex</key><integer> 0x1F </integer>\n  <key>unsigned</key><integer>18446744073709551615</integer>\n"
        "  <key>date</key><date>2001-01-02T00:00:01Z</date>\n  <key>nan</key><real>nan</real>\n"
        "  <key>yes</key><true></true>\n  <key>bytes</key><data>\n AAEC\n /w==\n </data>\n"
        "</dict></plist>\n"));
    ASSERT_TRUE(value);
    EXPECT_EQ(*value->member("text")->get<std::string>(), "a & b <\xf0\x9f\x98\x80\xc3\xa9<raw>");
    EXPECT_EQ(*value->member("empty")->get<std::string>(), "");
    EXPECT_TRUE(value->member("list")->get<PlistArray>()->empty());
    EXPECT_EQ(*value->member("hex")->get<int64_t>(), 31);
    EXPECT_EQ(*value->member("unsigned")->get<int64_t>(), -1);
    EXPECT_EQ(*value->member("date")->get<double>(), 86401.0);
    EXPECT_TRUE(std::isnan(*value->member("nan")->get<double>()));
    EXPECT_TRUE(*value->member("yes")->get<bool>());
    EXPECT_EQ(value->member("bytes")->get<PlistData>()->bytes, (std::vector<uint8_t> { 0, 1, 2, 0xFF }));
}

TEST(PropertyListRoundTrip, EveryValueReadsBackIdenticallyInBothForms)
{
    // Catches values that change on a write and read: non-ASCII text written as ASCII, negative or
    // 64-bit extremes, reals losing bits, long lengths, empty containers.
    auto value = everyKindOfValue();
    for (auto format : { Format::Binary, Format::XML }) {
        auto bytes = NSPropertyListSerialization::dataWithPropertyList(value, format);
        std::string reason;
        auto readBack = NSPropertyListSerialization::propertyListWithData(bytes, &reason);
        ASSERT_TRUE(readBack) << reason;
        EXPECT_TRUE(readBack->isIdenticalTo(value)) << xmlOf(*readBack);
    }
}

TEST(PropertyListRoundTrip, ValuesThatCantReadBackAreNotWritten)
{
    // Catches a writer that puts out bytes its reader refuses (or reads differently), which the
    // store would then take for a corrupt file.
    std::vector<PlistValue> unwritable = {
        PlistValue(std::string("a\0b", 3)),
        PlistValue("\xff\xfe"),
        PlistValue(PlistDictionary { { std::string("k\0", 2), PlistValue(1) } }),
    };
    PlistValue deep(1);
    for (int level = 0; level <= NSPropertyListSerialization::maximumDepth; ++level)
        deep = PlistValue(PlistArray { std::move(deep) });
    unwritable.push_back(std::move(deep));
    for (const auto& value : unwritable) {
        EXPECT_TRUE(NSPropertyListSerialization::dataWithPropertyList(value, Format::Binary).empty());
        EXPECT_TRUE(NSPropertyListSerialization::dataWithPropertyList(value, Format::XML).empty());
    }
}

TEST(PropertyListRoundTrip, AgreesWithAnIndependentImplementation)
{
    // Catches a writer and reader that agree with each other on a wrong format: the reference
    // library reads what is written here, and what it writes (shared leaves, 128-bit negative
    // integers) reads here.
    PlistValue value(PlistDictionary { { "acceso", PlistValue(true) }, { "trasparente", PlistValue(true) },
        { "siripic", PlistValue(-3) }, { "big", PlistValue(std::numeric_limits<int64_t>::min()) },
        { "name", PlistValue("caf\xc3\xa9 \xf0\x9f\x98\x80") }, { "same", PlistValue("caf\xc3\xa9 \xf0\x9f\x98\x80") },
        { "half", PlistValue(0.5) }, { "list", PlistValue(PlistArray { PlistValue(std::string(20, 'z')), PlistValue(PlistData { { 1, 2 } }) }) } });
    auto ours = NSPropertyListSerialization::dataWithPropertyList(value, Format::Binary);
    plist_t node = nullptr;
    plist_from_bin(reinterpret_cast<const char*>(ours.data()), static_cast<uint32_t>(ours.size()), &node);
    ASSERT_NE(node, nullptr);
    char* buffer = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &buffer, &length);
    auto theirXML = NSPropertyListSerialization::propertyListWithData(std::span(reinterpret_cast<const uint8_t*>(buffer), length));
    std::free(buffer);
    buffer = nullptr;
    length = 0;
    plist_to_bin(node, &buffer, &length);
    auto theirBinary = NSPropertyListSerialization::propertyListWithData(std::span(reinterpret_cast<const uint8_t*>(buffer), length));
    std::free(buffer);
    plist_free(node);
    ASSERT_TRUE(theirXML);
    ASSERT_TRUE(theirBinary);
    EXPECT_TRUE(theirXML->isIdenticalTo(value)) << xmlOf(*theirXML);
    EXPECT_TRUE(theirBinary->isIdenticalTo(value)) << xmlOf(*theirBinary);
}
