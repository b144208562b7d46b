// The settings store through its public calls, with other processes writing where it matters.
#include "StoreTestSupport.hpp"

#include <cephei/HBPreferences.hpp>
#include <foundation/NSData.hpp>
#include <foundation/NSRunLoop.hpp>

#include <algorithm>
#include <csignal>
#include <sys/stat.h>

using namespace storetest;

namespace {

NSRunLoop& mainLoop()
{
    return *NSRunLoop::mainRunLoop();
}

}

TEST(StoreRegistration, WritesTheDefaultsAtOnceWhenNothingIsStored)
{
    // Catches variables left unwritten until a first change, or a reader that creates folders.
    TemporaryDeviceRoot root;
    auto& acceso = lasting(false);
    auto& trasparente = lasting(false);
    auto& siripic = lasting<int64_t>(99);
    auto store = HBPreferences::initWithIdentifier(uniqueIdentifier());
    store->registerBool(&acceso, true, "acceso");
    store->registerBool(&trasparente, true, "trasparente");
    store->registerInteger(&siripic, 0, "siripic");
    EXPECT_TRUE(acceso);
    EXPECT_TRUE(trasparente);
    EXPECT_EQ(siripic, 0);
    EXPECT_FALSE(std::filesystem::exists(root.preferences()));
}

TEST(StoreRegistration, CoercesStoredValuesAsThePlatformDoes)
{
    // Catches reads that take only exact types, strings read whole instead of by their leading
    // number ("2abc" is 2), and strings that aren't YES words falling back to the default.
    TemporaryDeviceRoot root;
    auto identifier = uniqueIdentifier();
    writeFile(root.storeFile(identifier), binaryPlist({
        { "off", PlistValue("NO") }, { "zero", PlistValue(0) }, { "text", PlistValue(" 3 ") },
        { "real", PlistValue(2.9) }, { "yes", PlistValue(true) }, { "junk", PlistValue("2abc") },
        { "word", PlistValue("abc") }, { "n", PlistValue("N") }, { "t", PlistValue("true") },
        { "padded", PlistValue("-0005") }, { "zeros", PlistValue("000") }, { "minus", PlistValue(" -42kg") },
        { "huge", PlistValue("99999999999999999999") }, { "tiny", PlistValue("-99999999999999999999") },
        { "data", PlistValue(PlistData { { 1, 2 } }) }, { "list", PlistValue(PlistArray { PlistValue(1) }) },
    }));
    auto store = HBPreferences::initWithIdentifier(identifier);
    EXPECT_FALSE(store->boolForKey("off", true));
    EXPECT_FALSE(store->boolForKey("zero", true));
    EXPECT_FALSE(store->boolForKey("n", true));
    EXPECT_FALSE(store->boolForKey("word", true));
    EXPECT_FALSE(store->boolForKey("zeros", true));
    EXPECT_TRUE(store->boolForKey("t", false));
    EXPECT_TRUE(store->boolForKey("padded", false));
    EXPECT_TRUE(store->boolForKey("data", true));
    EXPECT_TRUE(store->boolForKey("text", false));
    EXPECT_EQ(store->integerForKey("text", 0), 3);
    EXPECT_EQ(store->integerForKey("real", 0), 2);
    EXPECT_EQ(store->integerForKey("junk", 7), 2);
    EXPECT_EQ(store->integerForKey("word", 7), 0);
    EXPECT_EQ(store->integerForKey("minus", 0), -42);
    EXPECT_EQ(store->integerForKey("huge", 0), INT64_MAX);
    EXPECT_EQ(store->integerForKey("tiny", 0), INT64_MIN);
    EXPECT_EQ(store->integerForKey("yes", 0), 1);
    EXPECT_EQ(store->integerForKey("list", -1), -1);
    // Registration coerces the same way.
    auto& text = lasting<int64_t>(0);
    store->registerInteger(&text, 0, "junk");
    EXPECT_EQ(text, 2);
}

TEST(StoreRegistration, OneObjectPerIdentifierInAProcess)
{
    // Catches a second open that drops the registrations made on the first object.
    TemporaryDeviceRoot root;
    auto identifier = uniqueIdentifier();
    auto first = HBPreferences::initWithIdentifier(identifier);
    EXPECT_EQ(HBPreferences::initWithIdentifier(identifier), first);
    EXPECT_NE(HBPreferences::initWithIdentifier(uniqueIdentifier()), first);
}

TEST(StoreChanges, BlockRunsAtRegistrationAndAfterEachRealChangeSeeingNewVariables)
{
    // Catches blocks that skip registration, run before the variables are written, or run again
    // for a write that changed nothing.
    TemporaryDeviceRoot root;
    auto store = HBPreferences::initWithIdentifier(uniqueIdentifier());
    auto& siripic = lasting<int64_t>(-1);
    auto& seen = lasting(std::vector<int64_t> {});
    store->registerInteger(&siripic, 0, "siripic");
    store->registerPreferenceChangeBlock([&seen, &siripic] { seen.push_back(siripic); });
    EXPECT_EQ(seen, (std::vector<int64_t> { 0 }));

    ASSERT_TRUE(store->setInteger(5, "siripic"));
    EXPECT_EQ(store->integerForKey("siripic", 0), 5);
    ASSERT_TRUE(mainLoop().runUntil([&] { return seen.size() == 2; }, 5));
    EXPECT_EQ(seen.back(), 5);

    ASSERT_TRUE(store->setInteger(5, "siripic"));
    mainLoop().runForTimeInterval(0.3);
    EXPECT_EQ(seen.size(), 2u);
}

TEST(StoreChanges, BlockMayRegisterBlocksAndVariablesWhileRunning)
{
    // Catches iterator invalidation or a deadlock when a block registers on its own store, as the
    // picture list does on every change, and blocks added mid-run running twice for one change.
    TemporaryDeviceRoot root;
    auto store = HBPreferences::initWithIdentifier(uniqueIdentifier());
    auto& siripic = lasting<int64_t>(0);
    auto& outerRuns = lasting(0);
    auto& innerRuns = lasting(0);
    HBPreferences* raw = store.get();
    store->registerPreferenceChangeBlock([raw, &siripic, &outerRuns, &innerRuns] {
        raw->registerInteger(&siripic, 0, "siripic");
        if (++outerRuns > 1)
            raw->registerPreferenceChangeBlock([&innerRuns] { ++innerRuns; });
    });
    ASSERT_TRUE(store->setInteger(1, "siripic"));
    ASSERT_TRUE(mainLoop().runUntil([&] { return outerRuns == 2; }, 5));
    EXPECT_EQ(innerRuns, 1);
    EXPECT_EQ(siripic, 1);
    ASSERT_TRUE(store->setInteger(2, "siripic"));
    ASSERT_TRUE(mainLoop().runUntil([&] { return outerRuns == 3; }, 5));
    EXPECT_EQ(innerRuns, 3); // the first inner block once more, the second at its registration
    EXPECT_EQ(siripic, 2);
}

TEST(StoreAcrossProcesses, WriteByAnotherProcessArrivesWithinTheBound)
{
    // Catches a store that never hears of other processes' writes, or hears of them late.
    TemporaryDeviceRoot root;
    auto identifier = uniqueIdentifier();
    auto store = HBPreferences::initWithIdentifier(identifier);
    auto& acceso = lasting(true);
    auto& blockRuns = lasting(0);
    auto& deliveredAt = lasting(std::chrono::system_clock::time_point {});
    store->registerBool(&acceso, true, "acceso");
    store->registerPreferenceChangeBlock([&blockRuns, &deliveredAt] {
        ++blockRuns;
        deliveredAt = std::chrono::system_clock::now();
    });
    auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(sim(root, { "defaults", "write", identifier, "acceso", "-bool", "NO" }), 0);
    ASSERT_TRUE(mainLoop().runUntil([&] { return !acceso; }, 5));
    // From the start of the writing process (its start-up included) to the delivery.
    double sinceStart = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(sinceStart, 1.0);
    EXPECT_EQ(blockRuns, 2);
    // From the file's replacement (its change time) to the delivery: reported, not asserted.
    struct stat status {};
    ASSERT_EQ(stat(root.storeFile(identifier).c_str(), &status), 0);
    auto replacedAt = std::chrono::system_clock::from_time_t(status.st_ctim.tv_sec) + std::chrono::nanoseconds(status.st_ctim.tv_nsec);
    RecordProperty("delivery_after_replacement_us", std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(deliveredAt - replacedAt).count()));
}

TEST(StoreAcrossProcesses, StoreOpenedBeforeItsFolderExistsSeesTheFirstWrite)
{
    // Catches a watch armed only on an existing folder, which would miss every later write.
    TemporaryDeviceRoot root;
    auto identifier = uniqueIdentifier();
    auto store = HBPreferences::initWithIdentifier(identifier);
    auto& siripic = lasting<int64_t>(0);
    store->registerInteger(&siripic, 0, "siripic");
    ASSERT_FALSE(std::filesystem::exists(root.path / "var"));
    ASSERT_EQ(sim(root, { "defaults", "write", identifier, "siripic", "-int", "4" }), 0);
    EXPECT_TRUE(mainLoop().runUntil([&] { return siripic == 4; }, 5));
}

TEST(StoreAcrossProcesses, TwoWritersLoseNoUpdate)
{
    // Catches read-modify-write without the shared lock: one writer's keys overwrite the other's.
    TemporaryDeviceRoot root;
    auto identifier = uniqueIdentifier();
    constexpr int writes = 500;
    pid_t first = spawn({ STORE_WRITER_PATH, root.path.string(), identifier, "keys", "a", std::to_string(writes) });
    pid_t second = spawn({ STORE_WRITER_PATH, root.path.string(), identifier, "keys", "b", std::to_string(writes) });
    EXPECT_EQ(waitFor(first), 0);
    EXPECT_EQ(waitFor(second), 0);
    auto store = HBPreferences::initWithIdentifier(identifier);
    ASSERT_TRUE(mainLoop().runUntil([&] { return store->dictionaryRepresentation().size() == 2 * writes; }, 10));
    for (int i = 0; i < writes; ++i) {
        ASSERT_EQ(store->integerForKey("a-" + std::to_string(i), -1), i);
        ASSERT_EQ(store->integerForKey("b-" + std::to_string(i), -1), i);
    }
}

TEST(StoreAcrossProcesses, ReadersNeverSeeATornFileEvenWhenTheWriterIsKilled)
{
    // Catches in-place writes: a reader would see half a file, and a writer killed halfway would
    // leave one behind for good.
    TemporaryDeviceRoot root;
    auto identifier = uniqueIdentifier();
    auto path = root.storeFile(identifier);
    constexpr size_t payloadBytes = 512 * 1024;
    auto isWhole = [&] {
        auto bytes = FileIO::readFile(path);
        auto values = bytes ? NSPropertyListSerialization::propertyListWithData(*bytes) : std::nullopt;
        auto* payload = values && values->member("payload") ? values->member("payload")->get<std::string>() : nullptr;
        return payload && payload->size() == payloadBytes && payload->find_first_not_of(payload->front()) == std::string::npos;
    };
    for (int round = 0; round < 4; ++round) {
        pid_t writer = spawn({ STORE_WRITER_PATH, root.path.string(), identifier, "churn", std::to_string(payloadBytes) });
        while (!std::filesystem::exists(path))
            usleep(1000);
        auto stopAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(100 + 37 * round);
        int reads = 0, torn = 0;
        for (; std::chrono::steady_clock::now() < stopAt; ++reads)
            torn += isWhole() ? 0 : 1;
        kill(writer, SIGKILL);
        EXPECT_EQ(waitFor(writer), 128 + SIGKILL);
        EXPECT_EQ(torn, 0) << "of " << reads << " reads in round " << round;
        EXPECT_TRUE(isWhole()) << "after the kill in round " << round;
    }
    // The next writer clears what killed writers left behind, and only that.
    writeFile(root.preferences() / ("." + identifier + ".plist.Ab12Cd"), { 1, 2, 3 });
    writeFile(root.preferences() / ("." + identifier + ".plist.kept"), { 1 });
    ASSERT_TRUE(HBPreferences::initWithIdentifier(identifier)->setInteger(1, "after"));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root.preferences()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string> { "." + identifier + ".plist.kept", identifier + ".plist", identifier + ".plist.lock" }));
}

TEST(StoreDamage, UnreadableFilesGiveTheDefaultsAndAreMovedAsideAtTheNextWrite)
{
    // Catches a bad file that crashes or blocks the reader (a fifo would hang an unguarded open),
    // leaks junk into variables, or is deleted instead of kept.
    TemporaryDeviceRoot root;
    std::vector<uint8_t> oversized = binaryPlist({ { "siripic", PlistValue(3) }, { "blob", PlistValue(PlistData { std::vector<uint8_t>(5 << 20, 7) }) } });
    std::vector<std::vector<uint8_t>> badContents = {
        { 'n', 'o', 't', ' ', 'a', ' ', 'p', 'l', 'i', 's', 't' }, {},
        NSPropertyListSerialization::dataWithPropertyList(PlistValue(PlistArray { PlistValue(3) }), NSPropertyListSerialization::Format::Binary),
        oversized,
    };
    for (size_t index = 0; index <= badContents.size(); ++index) {
        auto identifier = uniqueIdentifier();
        auto path = root.storeFile(identifier);
        if (index < badContents.size()) {
            writeFile(path, badContents[index]);
        } else {
            ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
        }
        auto store = HBPreferences::initWithIdentifier(identifier);
        auto& siripic = lasting<int64_t>(-1);
        store->registerInteger(&siripic, 0, "siripic");
        EXPECT_EQ(siripic, 0) << "case " << index;
        ASSERT_TRUE(store->setInteger(2, "siripic"));
        EXPECT_EQ(siripic, 2);
        auto aside = path;
        aside += ".corrupt-1";
        EXPECT_TRUE(std::filesystem::exists(aside)) << "case " << index;
        if (index < badContents.size()) {
            EXPECT_EQ(FileIO::readFile(aside), badContents[index]);
        }
        std::string output;
        EXPECT_EQ(sim(root, { "defaults", "read", identifier, "siripic" }, &output), 0);
        EXPECT_EQ(output, "2\n");
    }
}

TEST(StorePaths, EscapesFromTheDeviceRootAreRefused)
{
    // Catches ".." or a symbolic link that lets the store read or write outside the device.
    TemporaryDeviceRoot root;
    EXPECT_FALSE(DeviceRoot::resolve("/../etc/passwd"));
    EXPECT_FALSE(DeviceRoot::resolve("/var/mobile/../../../etc"));
    EXPECT_FALSE(DeviceRoot::resolve("var/mobile"));

    auto escaping = HBPreferences::initWithIdentifier("../../../../escaped");
    EXPECT_FALSE(escaping->setBool(true, "key"));
    EXPECT_FALSE(std::filesystem::exists(root.path.parent_path() / "escaped.plist"));

    TemporaryDeviceRoot outside;
    auto identifier = uniqueIdentifier();
    writeFile(outside.path / (identifier + ".plist"), binaryPlist({ { "siripic", PlistValue(3) } }));
    DeviceRoot::set(root.path);
    std::filesystem::create_directories(root.preferences().parent_path());
    std::filesystem::create_directory_symlink(outside.path, root.preferences());
    auto store = HBPreferences::initWithIdentifier(identifier);
    EXPECT_EQ(store->integerForKey("siripic", 0), 0);
    EXPECT_FALSE(store->setInteger(4, "siripic"));
    auto untouched = NSPropertyListSerialization::propertyListWithData(*FileIO::readFile(outside.path / (identifier + ".plist")));
    EXPECT_EQ(untouched->member("siripic")->get<int64_t>() ? *untouched->member("siripic")->get<int64_t>() : 0, 3);
}
