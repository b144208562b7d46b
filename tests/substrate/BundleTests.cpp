#include "TemporaryDevice.hpp"
#include "foundation/HostilePropertyLists.hpp"

#include <foundation/NSBundle.hpp>
#include <foundation/NSProcessInfo.hpp>
#include <foundation/PropertyList.hpp>
#include <objc/NSObject.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

class BundleHostClass : public NSObject { };
const Class s_hostClass = objc::registerClass<BundleHostClass>("ZTBundleHostClass", "NSObject");

const std::string bundlePath = "/Library/PreferenceBundles/Test.bundle";
const std::string brokenPath = "/Library/PreferenceBundles/Broken.bundle";

std::vector<uint8_t> plist(const PlistValue& value, NSPropertyListSerialization::Format format = NSPropertyListSerialization::Format::XML)
{
    return NSPropertyListSerialization::dataWithPropertyList(value, format);
}

// Laid out once per process: the bundle's executable registers a class, and that happens once.
class BundleTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_device = new TemporaryDevice;
        s_device->write(bundlePath + "/Info.plist", plist(PlistDictionary { { "CFBundleIdentifier", "com.zova.testbundle" },
            { "CFBundleExecutable", "Test" }, { "NSPrincipalClass", "ZTBundlePrincipal" } }));
        s_device->copy(ZOVA_TEST_BUNDLE, bundlePath + "/Test");
        s_device->write(bundlePath + "/Root.plist", plist(PlistDictionary {}));
        s_device->write(bundlePath + "/a.gif/inside", std::string("a folder, not a resource"));
        s_device->write(brokenPath + "/Info.plist", plist(PlistDictionary { { "CFBundleExecutable", "Broken" }, { "NSPrincipalClass", "ZTBroken" } }));
        s_device->write(brokenPath + "/Broken", std::string("not an ELF file"));
    }
    static void TearDownTestSuite() { delete s_device; }
    void SetUp() override { s_device->use(); }

    static TemporaryDevice* s_device;
};

TemporaryDevice* BundleTest::s_device = nullptr;

}

// The Settings host reads identity and principal class from Info.plist; one object per directory.
TEST_F(BundleTest, ReadsInfoPlistOncePerDirectory)
{
    auto bundle = NSBundle::bundleWithPath(bundlePath + "/");
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(bundle->bundleIdentifier(), "com.zova.testbundle");
    EXPECT_EQ(bundle->bundlePath(), bundlePath);
    EXPECT_EQ(bundle->executablePath(), bundlePath + "/Test");
    EXPECT_EQ(bundle->infoDictionary().count("NSPrincipalClass"), 1u);
    EXPECT_EQ(NSBundle::bundleWithPath("/Library/PreferenceBundles/../PreferenceBundles/Test.bundle"), bundle);
}

// A missing or damaged bundle, or a path that climbs out of the device, must give null; a crafted
// Info.plist must not take the Settings host down.
TEST_F(BundleTest, MissingBrokenOrEscapingBundlesGiveNull)
{
    s_device->write("/Library/PreferenceBundles/Nul.bundle/Info.plist", hostile::utf16NulStore());
    s_device->write("/Library/PreferenceBundles/Deep.bundle/Info.plist", hostile::nestedXML(100'000));
    s_device->write("/Library/PreferenceBundles/Shared.bundle/Info.plist", hostile::sharedArrays(29));
    s_device->write("/Library/PreferenceBundles/NoInfo.bundle/Root.plist", plist(PlistDictionary {}));
    s_device->write("/Library/PreferenceBundles/Garbage.bundle/Info.plist", std::string("<plist><dict><key>"));
    s_device->write("/Library/PreferenceBundles/Array.bundle/Info.plist", plist(PlistArray { "x" }, NSPropertyListSerialization::Format::Binary));
    for (const char* path : { "/Library/PreferenceBundles/Absent.bundle", "/Library/PreferenceBundles/NoInfo.bundle",
             "/Library/PreferenceBundles/Garbage.bundle", "/Library/PreferenceBundles/Array.bundle",
             "/Library/PreferenceBundles/Nul.bundle", "/Library/PreferenceBundles/Deep.bundle", "/Library/PreferenceBundles/Shared.bundle",
             "/Library/PreferenceBundles/Test.bundle/Root.plist", "Library/PreferenceBundles/Test.bundle",
             "/../PreferenceBundles/Test.bundle" })
        EXPECT_EQ(NSBundle::bundleWithPath(path), nullptr) << path;
    EXPECT_FALSE(DeviceRoot::resolve("/../x"));
    EXPECT_FALSE(DeviceRoot::resolve("/a/../../x"));
    EXPECT_EQ(DeviceRoot::resolve("/a/../x"), s_device->root() / "x");
}

// The Settings host asks for the principal class without loading first; the list framework finds
// "Root.plist" through the bundle of the page's class.
TEST_F(BundleTest, PrincipalClassLoadsAndBundleForClassFindsIt)
{
    auto bundle = NSBundle::bundleWithPath(bundlePath);
    ASSERT_NE(bundle, nullptr);
    Class principal = bundle->principalClass();
    ASSERT_NE(principal, nullptr);
    EXPECT_EQ(principal, objc_getClass("ZTBundlePrincipal"));
    EXPECT_TRUE(bundle->isLoaded());
    EXPECT_EQ(NSBundle::bundleForClass(principal), bundle);
    EXPECT_EQ(NSBundle::bundleForClass(s_hostClass), NSBundle::mainBundle());
}

// Resources are files directly in the bundle directory; absent files, folders and escapes give empty.
TEST_F(BundleTest, PathForResourceFindsFilesInTheBundle)
{
    auto bundle = NSBundle::bundleWithPath(bundlePath);
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(bundle->pathForResource("Root", "plist"), bundlePath + "/Root.plist");
    EXPECT_EQ(bundle->pathForResource("Root.plist", ""), bundlePath + "/Root.plist");
    EXPECT_EQ(bundle->pathForResource("Missing", "plist"), "");
    EXPECT_EQ(bundle->pathForResource("a", "gif"), "");
    EXPECT_EQ(bundle->pathForResource("../Test.bundle/Root", "plist"), "");
}

// An executable that can't be loaded, or that names a path outside the bundle, must cost one line
// and a false, never the host.
TEST_F(BundleTest, ExecutableThatFailsToLoadIsReported)
{
    auto broken = NSBundle::bundleWithPath(brokenPath);
    ASSERT_NE(broken, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(broken->principalClass(), nullptr);
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1);
    EXPECT_NE(errors.find(brokenPath), std::string::npos);
    EXPECT_FALSE(broken->isLoaded());

    s_device->write("/Library/PreferenceBundles/Sneaky.bundle/Info.plist", plist(PlistDictionary { { "CFBundleExecutable", "../Test.bundle/Test" } }));
    auto sneaky = NSBundle::bundleWithPath("/Library/PreferenceBundles/Sneaky.bundle");
    ASSERT_NE(sneaky, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(sneaky->load());
    testing::internal::GetCapturedStderr();
}

// The loader's filters read the process identity from here; a host's declaration must stick.
TEST_F(BundleTest, HostDeclaresItsIdentityAndFrameworks)
{
    NSBundle::setMainBundleIdentity("com.zova.bundlehost", "bundlehost");
    EXPECT_EQ(NSBundle::mainBundle()->bundleIdentifier(), "com.zova.bundlehost");
    EXPECT_EQ(NSProcessInfo::processInfo()->processName(), "bundlehost");
    NSBundle::registerLoadedFramework("com.zova.DeclaredUI");
    NSBundle::registerLoadedFramework("com.zova.DeclaredUI");
    auto frameworks = NSBundle::allFrameworks();
    EXPECT_EQ(std::count_if(frameworks.begin(), frameworks.end(),
                  [](const auto& framework) { return framework->bundleIdentifier() == "com.zova.DeclaredUI"; }),
        1);
}
