// The store's file under hostile contents, writes checked before they replace it, and the copies
// of bad files kept beside it.
#include "StoreTestSupport.hpp"
#include "foundation/HostilePropertyLists.hpp"

#include <cephei/HBPreferences.hpp>
#include <cephei/PreferencesFile.hpp>
#include <foundation/NSData.hpp>

#include <limits>

using namespace storetest;

namespace {

std::vector<std::pair<std::string, std::vector<uint8_t>>> hostileStores()
{
    hostile::BinaryPlistBuilder cycle;
    cycle.dictionary({ 1 }, { 2 });
    cycle.ascii("siripic");
    cycle.array({ 0 });
    hostile::BinaryPlistBuilder hugeCount;
    hugeCount.raw({ 0xDF, 0x13, 0x10, 0, 0, 0, 0, 0, 0, 0 });
    auto nested = hostile::nestedStore(3);
    std::vector<uint8_t> truncated(nested.begin(), nested.end() - 7);
    return {
        { "UTF-16 NUL", hostile::utf16NulStore() },
        { "raw NUL in XML", hostile::xmlRawNulStore() },
        { "shared arrays", hostile::sharedArrays(29) },
        { "ASCII high bytes", hostile::asciiHighByteStore() },
        { "100,000 deep", hostile::nestedStore(100'000) },
        { "100,000 deep XML", hostile::nestedXML(100'000) },
        { "cycle", cycle.bytes() },
        { "2^60 entries", hugeCount.bytes() },
        { "truncated trailer", truncated },
    };
}

std::vector<std::string> asideCopies(const TemporaryDeviceRoot& root, const std::string& identifier)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root.preferences())) {
        auto name = entry.path().filename().string();
        if (name.starts_with(identifier + ".plist.corrupt-"))
            names.push_back(name.substr(identifier.size() + 15));
    }
    std::sort(names.begin(), names.end());
    return names;
}

}

TEST(StoreHostileFiles, EachGivesTheDefaultsWithOneLineAndTheNextWriteRepairsIt)
{
    // Catches a reader that aborts, overflows or exhausts memory on a crafted store, and a writer
    // that aborts before it can move the file aside.
    TemporaryDeviceRoot root;
    for (const auto& [name, bytes] : hostileStores()) {
        auto identifier = uniqueIdentifier();
        writeFile(root.storeFile(identifier), bytes);

        auto read = simCapturingErrors(root, { "defaults", "read", identifier });
        EXPECT_EQ(read.status, 0) << name;
        EXPECT_EQ(read.output, "{}\n") << name;
        ASSERT_EQ(read.errors.size(), 1u) << name;
        EXPECT_NE(read.errors[0].find("using the defaults"), std::string::npos) << read.errors[0];

        auto store = HBPreferences::initWithIdentifier(identifier);
        auto& siripic = lasting<int64_t>(-1);
        store->registerInteger(&siripic, 0, "siripic");
        EXPECT_EQ(siripic, 0) << name;

        // The writing process reads the file once as it opens the store, then moves it aside.
        auto write = simCapturingErrors(root, { "defaults", "write", identifier, "siripic", "-int", "2" });
        EXPECT_EQ(write.status, 0) << name;
        ASSERT_EQ(write.errors.size(), 2u) << name;
        EXPECT_NE(write.errors[1].find("moved aside to " + identifier + ".plist.corrupt-1"), std::string::npos) << write.errors[1];
        auto aside = root.storeFile(identifier);
        aside += ".corrupt-1";
        EXPECT_EQ(FileIO::readFile(aside), bytes) << name;
        auto repaired = simCapturingErrors(root, { "defaults", "read", identifier });
        EXPECT_EQ(repaired.output, "{\"siripic\":2}\n") << name;
        EXPECT_TRUE(repaired.errors.empty()) << name;
    }
}

TEST(StoreWrites, EveryValueAUserCanWriteReadsBackUnchanged)
{
    // Catches values that change or turn the file unreadable on a write: non-ASCII text in an
    // ASCII string, 64-bit extremes, reals losing bits, empty text and data, nesting.
    TemporaryDeviceRoot root;
    auto identifier = uniqueIdentifier();
    PlistDictionary values {
        { "yes", PlistValue(true) }, { "no", PlistValue(false) },
        { "max", PlistValue(std::numeric_limits<int64_t>::max()) }, { "min", PlistValue(std::numeric_limits<int64_t>::min()) },
        { "negative", PlistValue(-3) }, { "zero", PlistValue(0) }, { "real", PlistValue(0.1) }, { "minusZero", PlistValue(-0.0) },
        { "empty", PlistValue("") }, { "accented", PlistValue("caf\xc3\xa9") }, { "emoji", PlistValue("\xf0\x9f\x98\x80\xf0\x9f\x8e\x89") },
        { "data", PlistValue(PlistData { { 0, 0xFF, 0x80 } }) }, { "noData", PlistValue(PlistData {}) },
        { "nested", PlistValue(PlistArray { PlistValue(PlistDictionary { { "\xe9\x8d\xb5", PlistValue(PlistArray {}) } }) }) },
    };
    PreferencesFile file(identifier);
    ASSERT_TRUE(file.update([&](PlistDictionary& stored) { stored = values; }));
    EXPECT_TRUE(PlistValue(PreferencesFile(identifier).load()).isIdenticalTo(PlistValue(values)));

    EXPECT_EQ(sim(root, { "defaults", "write", identifier, "emoji", "-string", "caf\xc3\xa9 \xf0\x9f\x98\x80" }), 0);
    EXPECT_EQ(sim(root, { "defaults", "write", identifier, "empty", "-string", "" }), 0);
    std::string output;
    EXPECT_EQ(sim(root, { "defaults", "read", identifier, "emoji" }, &output), 0);
    EXPECT_EQ(output, "\"caf\xc3\xa9 \xf0\x9f\x98\x80\"\n");
    output.clear();
    EXPECT_EQ(sim(root, { "defaults", "read", identifier, "empty" }, &output), 0);
    EXPECT_EQ(output, "\"\"\n");
}

TEST(StoreWrites, ValuesThatWouldNotReadBackAreRefusedAndTheFileKept)
{
    // Catches a write reported as done whose file the next read takes for corrupt, losing every
    // setting at the write after.
    TemporaryDeviceRoot root;
    auto identifier = uniqueIdentifier();
    EXPECT_EQ(sim(root, { "defaults", "write", identifier, "siripic", "-int", "4" }), 0);
    auto before = FileIO::readFile(root.storeFile(identifier));
    auto store = HBPreferences::initWithIdentifier(identifier);
    EXPECT_FALSE(store->setObject(PlistValue(std::string("a\0b", 3)), "name"));
    EXPECT_FALSE(store->setObject(PlistValue("\xbe\x8a"), "name"));
    auto failed = simCapturingErrors(root, { "defaults", "write", identifier, "name", "-string", "\xff" });
    EXPECT_NE(failed.status, 0);
    EXPECT_FALSE(failed.errors.empty());
    EXPECT_EQ(FileIO::readFile(root.storeFile(identifier)), before);
    EXPECT_FALSE(std::filesystem::exists(root.storeFile(identifier).string() + ".corrupt-1"));
}

TEST(StoreDamage, OnlyTheNewestTenCopiesAreKept)
{
    // Catches a folder that fills with copies until moving a bad file aside fails and every write
    // fails with it.
    TemporaryDeviceRoot root;
    auto identifier = uniqueIdentifier();
    auto path = root.storeFile(identifier);
    for (int number = 1; number <= 1000; ++number)
        writeFile(path.string() + ".corrupt-" + std::to_string(number), { 'o', 'l', 'd' });
    writeFile(path.string() + ".corrupt-007", { 'n', 'o', 't', ' ', 'o', 'u', 'r', 's' });
    auto store = HBPreferences::initWithIdentifier(identifier);
    for (int round = 0; round < 3; ++round) {
        writeFile(path, hostile::utf16NulStore());
        ASSERT_TRUE(store->setInteger(round, "siripic")) << round;
    }
    std::vector<std::string> expected { "007" };
    for (int number = 994; number <= 1003; ++number)
        expected.push_back(std::to_string(number));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(asideCopies(root, identifier), expected);
    EXPECT_EQ(FileIO::readFile(path.string() + ".corrupt-1003"), hostile::utf16NulStore());
    EXPECT_EQ(store->integerForKey("siripic", -1), 2);
}
