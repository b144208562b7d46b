// The device's package database: install, list, switch layouts, remove and purge through dpkg.
#include "SimProcess.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using simtest::Device;
using simtest::runSim;

namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

const char* const s_tweak = "Library/MobileSubstrate/DynamicLibraries/zova.dylib";
const char* const s_store = "var/mobile/Library/Preferences/com.velmarok.zovaprefs.plist";
const char* const s_custom = "var/mobile/Documents/siricustom.gif";

void writeUserFiles(const Device& device)
{
    ASSERT_EQ(runSim(device.with({ "defaults", "write", "com.velmarok.zovaprefs", "siripic", "-int", "5" })).status, 0);
    fs::copy_file(ZOVA_SOURCE_DIR "/zovaprefs/Resources/h.gif", device.root / s_custom, fs::copy_options::overwrite_existing);
}

}

// Without a database nothing can list or cleanly uninstall what install put on the device.
TEST(PackageDatabase, ListsWhatInstallPut)
{
    Device device;
    auto install = runSim(device.with({ "install" }));
    ASSERT_EQ(install.status, 0) << install.err;
    EXPECT_EQ(std::count(install.out.begin(), install.out.end(), '\n'), 1) << "dpkg's progress belongs on stderr: " << install.out;
    auto packages = runSim(device.with({ "packages" }));
    ASSERT_EQ(packages.status, 0) << packages.err;
    EXPECT_TRUE(contains(packages.out, "com.velmarok.zova 1.0.0+sim zovasim-")) << packages.out;
    EXPECT_TRUE(contains(packages.out, "com.velmarok.zovaprefs 1.0.0+sim zovasim-")) << packages.out;
    EXPECT_EQ(std::count(packages.out.begin(), packages.out.end(), '\n'), 2) << packages.out;
    EXPECT_TRUE(contains(packages.out, " installed\n")) << packages.out;
}

// Listing or removing on a device that never had an install must fail, not report success.
TEST(PackageDatabase, RefusesWithoutADatabaseOrAKnownPackage)
{
    Device device;
    EXPECT_EQ(runSim(device.with({ "packages" })).status, 1);
    EXPECT_EQ(runSim(device.with({ "remove", "com.velmarok.zova" })).status, 1);
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    EXPECT_EQ(runSim(device.with({ "remove", "com.example.absent" })).status, 1);
    EXPECT_EQ(runSim(device.with({ "remove", "--force-all" })).status, 1) << "a name that reads as an option";
    EXPECT_EQ(runSim(device.with({ "remove" })).status, 2);
    EXPECT_EQ(runSim(device.with({ "install", "--scheme", "sideways" })).status, 2);
}

// Removing the tweak must take its files away and leave the user's settings and picture alone.
TEST(PackageDatabase, RemoveUninstallsAndKeepsTheUsersFiles)
{
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    writeUserFiles(device);
    auto removed = runSim(device.with({ "remove", "com.velmarok.zova" }));
    ASSERT_EQ(removed.status, 0) << removed.err;
    EXPECT_FALSE(fs::exists(device.root / s_tweak));
    EXPECT_TRUE(fs::exists(device.root / "Library/PreferenceBundles/zovaprefs.bundle/a.gif"));
    auto assistant = runSim(device.with({ "assistant", "show", "dump" }));
    ASSERT_EQ(assistant.status, 0) << assistant.err;
    EXPECT_FALSE(contains(assistant.out, "UIImageView")) << "no tweak, no picture";

    ASSERT_EQ(runSim(device.with({ "remove", "com.velmarok.zovaprefs" })).status, 0);
    EXPECT_FALSE(fs::exists(device.root / "Library/PreferenceBundles/zovaprefs.bundle"));
    EXPECT_TRUE(fs::exists(device.root / s_store));
    EXPECT_TRUE(fs::exists(device.root / s_custom));
}

// A purge that left the store and the imported picture behind would not be a purge.
TEST(PackageDatabase, PurgeRemovesTheStoreAndTheCustomPicture)
{
    for (const char* scheme : { "rootful", "rootless" }) {
        SCOPED_TRACE(scheme);
        Device device;
        ASSERT_EQ(runSim(device.with({ "install", "--scheme", scheme })).status, 0);
        writeUserFiles(device);
        auto purged = runSim(device.with({ "remove", "--purge", "com.velmarok.zovaprefs" }));
        ASSERT_EQ(purged.status, 0) << purged.err;
        EXPECT_FALSE(fs::exists(device.root / s_store));
        EXPECT_FALSE(fs::exists(device.root / s_custom));
        EXPECT_TRUE(fs::exists(device.root / "var/mobile/Documents")) << "only the files go";
        EXPECT_FALSE(contains(runSim(device.with({ "packages" })).out, "com.velmarok.zovaprefs ")) << "purged from the database";
    }
}

// Installing the other layout over one must not leave the first layout's copy to be loaded twice.
TEST(PackageDatabase, InstallingTheOtherLayoutReplacesTheFirst)
{
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    writeUserFiles(device);
    auto rootless = runSim(device.with({ "install", "--scheme", "rootless" }));
    ASSERT_EQ(rootless.status, 0) << rootless.err;
    EXPECT_FALSE(fs::exists(device.root / s_tweak));
    EXPECT_FALSE(fs::exists(device.root / "Library/PreferenceBundles/zovaprefs.bundle"));
    EXPECT_TRUE(fs::exists(device.root / "var/jb" / s_tweak));
    EXPECT_TRUE(fs::exists(device.root / s_store));
    EXPECT_TRUE(contains(runSim(device.with({ "packages" })).out, "rootless")) << "the database knows the layout";
}
