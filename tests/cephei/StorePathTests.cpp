// The store's files (the file, its lock, aside copies, temporary files) opened inside the device
// root, however its folders are linked.
#include "StoreTestSupport.hpp"

#include <cephei/HBPreferences.hpp>
#include <foundation/NSData.hpp>
#include <foundation/NSRunLoop.hpp>

#include <sys/stat.h>

using namespace storetest;

namespace {

std::vector<std::string> namesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}

// Catches a Preferences folder linked inside the device no longer being followed, in the store's
// files or in its watch.
TEST(StorePaths, FolderLinkedInsideTheDeviceIsUsed)
{
    TemporaryDeviceRoot root;
    std::filesystem::create_directories(root.path / "var/mobile/Settings");
    std::filesystem::create_directories(root.preferences().parent_path());
    std::filesystem::create_directory_symlink("/var/mobile/Settings", root.preferences());
    auto identifier = uniqueIdentifier();
    auto store = HBPreferences::initWithIdentifier(identifier);
    auto& siripic = lasting<int64_t>(0);
    store->registerInteger(&siripic, 0, "siripic");
    ASSERT_TRUE(store->setInteger(3, "siripic"));
    EXPECT_EQ(namesIn(root.path / "var/mobile/Settings"), (std::vector<std::string> { identifier + ".plist", identifier + ".plist.lock" }));
    ASSERT_EQ(sim(root, { "defaults", "write", identifier, "siripic", "-int", "4" }), 0);
    EXPECT_TRUE(NSRunLoop::mainRunLoop()->runUntil([&] { return siripic == 4; }, 5));
}

// Catches a store file linked out of the device being read, or written through.
TEST(StorePaths, FileLinkedOutOfTheDeviceIsNeitherReadNorWritten)
{
    TemporaryDeviceRoot outside;
    TemporaryDeviceRoot root;
    auto identifier = uniqueIdentifier();
    writeFile(outside.path / "stolen.plist", binaryPlist({ { "siripic", PlistValue(3) } }));
    std::filesystem::create_directories(root.preferences());
    std::filesystem::create_symlink(outside.path / "stolen.plist", root.storeFile(identifier));
    auto store = HBPreferences::initWithIdentifier(identifier);
    EXPECT_EQ(store->integerForKey("siripic", 0), 0);
    EXPECT_TRUE(store->setInteger(4, "siripic"));
    EXPECT_FALSE(std::filesystem::is_symlink(root.storeFile(identifier)));
    EXPECT_EQ(*FileIO::readFile(outside.path / "stolen.plist"), binaryPlist({ { "siripic", PlistValue(3) } }));
    EXPECT_EQ(namesIn(outside.path), std::vector<std::string> { "stolen.plist" });
}

// Catches a fifo in the store file's place blocking every process that opens the store.
TEST(StorePaths, FifoGivesTheDefaultsAtOnceAndIsMovedAside)
{
    TemporaryDeviceRoot root;
    auto identifier = uniqueIdentifier();
    std::filesystem::create_directories(root.preferences());
    ASSERT_EQ(::mkfifo(root.storeFile(identifier).c_str(), 0644), 0);
    testing::internal::CaptureStderr();
    auto store = HBPreferences::initWithIdentifier(identifier);
    EXPECT_EQ(store->integerForKey("siripic", 7), 7);
    EXPECT_TRUE(store->setInteger(2, "siripic"));
    testing::internal::GetCapturedStderr();
    auto aside = root.storeFile(identifier);
    aside += ".corrupt-1";
    EXPECT_TRUE(std::filesystem::is_fifo(aside));
    EXPECT_TRUE(std::filesystem::is_regular_file(root.storeFile(identifier)));
}
