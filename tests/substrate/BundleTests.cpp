#include "TemporaryDevice.hpp"

#include <foundation/NSBundle.hpp>
#include <foundation/NSProcessInfo.hpp>
#include <foundation/PropertyList.hpp>
#include <objc/NSObject.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

class BundleHostClass : public NSObject { };
const Class s_hostClass = objc::registerClass<BundleHostClass>("ZTBundleHostClass", "NSObject");

const std::string bundlePath = "/Library/PreferenceBundles/Test.bundle";
const std::string brokenPath = "/Library/PreferenceBundles/Broken.bundle";

std::vector<uint8_t> infoPlist(PlistDictionary info)
{
    return NSPropertyListSerialization::dataWithPropertyList(info, NSPropertyListSerialization::Format::XML);
}

// The device is laid out once per process: the bundle executable registers a class, and a class
// can be registered only once.
class BundleTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_device = new TemporaryDevice;
        s_device->write(bundlePath + "/Info.plist", infoPlist({ { "CFBundleIdentifier", "com.zova.testbundle" },
            { "CFBundleExecutable", "Test" }, { "NSPrincipalClass", "ZTBundlePrincipal" } }));
        s_device->copy(ZOVA_TEST_BUNDLE, bundlePath + "/Test");
        s_device->write(bundlePath + "/Root.plist", infoPlist({}));
        s_device->write(bundlePath + "/a.gif/placeholder", std::string("a directory, not a resource"));
        s_device->write(brokenPath + "/Info.plist", infoPlist({ { "CFBundleExecutable", "Broken" }, { "NSPrincipalClass", "ZTBrokenPrincipal" } }));
        s_device->write(brokenPath + "/Broken", std::string("not an ELF file"));
    }
    static void TearDownTestSuite()
    {
        delete s_device;
        s_device = nullptr;
    }
    void SetUp() override { s_device->use(); }

    static TemporaryDevice* s_device;
};

TemporaryDevice* BundleTest::s_device = nullptr;

}

// The Settings host and the list framework read identity and principal class from Info.plist.
TEST_F(BundleTest, ReadsInfoPlistOncePerDirectory)
{
    auto bundle = NSBundle::bundleWithPath(bundlePath + "/");
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(bundle->bundleIdentifier(), "com.zova.testbundle");
    EXPECT_EQ(bundle->bundlePath(), bundlePath);
    EXPECT_EQ(bundle->executablePath(), bundlePath + "/Test");
    ASSERT_NE(bundle->infoDictionary().count("NSPrincipalClass"), 0u);
    EXPECT_EQ(NSBundle::bundleWithPath("/Library/PreferenceBundles/../PreferenceBundles/Test.bundle"), bundle);
}

// A missing or damaged bundle must give null, never a half-made bundle or a crash.
TEST_F(BundleTest, MissingOrBrokenBundlesGiveNull)
{
    EXPECT_EQ(NSBundle::bundleWithPath("/Library/PreferenceBundles/Absent.bundle"), nullptr);
    s_device->write("/Library/PreferenceBundles/NoInfo.bundle/Root.plist", infoPlist({}));
    EXPECT_EQ(NSBundle::bundleWithPath("/Library/PreferenceBundles/NoInfo.bundle"), nullptr);
    s_device->write("/Library/PreferenceBundles/Garbage.bundle/Info.plist", std::string("<plist><dict><key>"));
    EXPECT_EQ(NSBundle::bundleWithPath("/Library/PreferenceBundles/Garbage.bundle"), nullptr);
    s_device->write("/Library/PreferenceBundles/Array.bundle/Info.plist",
        NSPropertyListSerialization::dataWithPropertyList(PlistArray { "CFBundleIdentifier" }, NSPropertyListSerialization::Format::Binary));
    EXPECT_EQ(NSBundle::bundleWithPath("/Library/PreferenceBundles/Array.bundle"), nullptr);
    EXPECT_EQ(NSBundle::bundleWithPath(bundlePath + "/Root.plist"), nullptr);
    EXPECT_EQ(NSBundle::bundleWithPath("Library/PreferenceBundles/Test.bundle"), nullptr);
    EXPECT_EQ(NSBundle::bundleWithPath("/../PreferenceBundles/Test.bundle"), nullptr);
}

// Every device path goes through the root; ".." must not climb out of it.
TEST_F(BundleTest, DevicePathsCannotLeaveTheRoot)
{
    EXPECT_FALSE(DeviceRoot::resolve("/../x"));
    EXPECT_FALSE(DeviceRoot::resolve("/a/../../x"));
    EXPECT_FALSE(DeviceRoot::resolve("x"));
    EXPECT_EQ(DeviceRoot::resolve("/a/../x"), s_device->root() / "x");
}

// The Settings host asks for the principal class without loading first; it must load on demand.
TEST_F(BundleTest, PrincipalClassLoadsTheExecutable)
{
    auto bundle = NSBundle::bundleWithPath(bundlePath);
    ASSERT_NE(bundle, nullptr);
    Class principal = bundle->principalClass();
    ASSERT_NE(principal, nullptr);
    EXPECT_EQ(principal, objc_getClass("ZTBundlePrincipal"));
    EXPECT_TRUE(bundle->isLoaded());
    EXPECT_TRUE(bundle->load());
}

// The list framework finds "Root.plist" through the bundle of the page's class; the wrong bundle hides it.
TEST_F(BundleTest, BundleForClassFindsTheBundleThatDefinesIt)
{
    auto bundle = NSBundle::bundleWithPath(bundlePath);
    ASSERT_NE(bundle, nullptr);
    ASSERT_TRUE(bundle->load());
    EXPECT_EQ(NSBundle::bundleForClass(objc_getClass("ZTBundlePrincipal")), bundle);
    EXPECT_EQ(NSBundle::bundleForClass(s_hostClass), NSBundle::mainBundle());
    EXPECT_EQ(NSBundle::bundleForClass(nullptr), NSBundle::mainBundle());
}

// Resources are files in the bundle directory only; absent files, folders and escapes give empty.
TEST_F(BundleTest, PathForResourceFindsFilesInTheBundle)
{
    auto bundle = NSBundle::bundleWithPath(bundlePath);
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(bundle->pathForResource("Root", "plist"), bundlePath + "/Root.plist");
    EXPECT_EQ(bundle->pathForResource("Root", ".plist"), bundlePath + "/Root.plist");
    EXPECT_EQ(bundle->pathForResource("Root.plist", ""), bundlePath + "/Root.plist");
    EXPECT_EQ(bundle->pathForResource("Missing", "plist"), "");
    EXPECT_EQ(bundle->pathForResource("a", "gif"), "");
    EXPECT_EQ(bundle->pathForResource("../Test.bundle/Root", "plist"), "");
    EXPECT_EQ(bundle->pathForResource("", "plist"), "");
}

// An executable that can't be loaded must cost one line and a false, never the host.
TEST_F(BundleTest, ExecutableThatFailsToLoadIsReported)
{
    auto bundle = NSBundle::bundleWithPath(brokenPath);
    ASSERT_NE(bundle, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(bundle->load());
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1);
    EXPECT_NE(errors.find(brokenPath), std::string::npos);
    EXPECT_FALSE(bundle->isLoaded());
    testing::internal::CaptureStderr();
    EXPECT_EQ(bundle->principalClass(), nullptr);
    testing::internal::GetCapturedStderr();

    s_device->write("/Library/PreferenceBundles/Sneaky.bundle/Info.plist", infoPlist({ { "CFBundleExecutable", "../Test.bundle/Test" } }));
    auto sneaky = NSBundle::bundleWithPath("/Library/PreferenceBundles/Sneaky.bundle");
    ASSERT_NE(sneaky, nullptr);
    EXPECT_EQ(sneaky->executablePath(), "");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(sneaky->load());
    testing::internal::GetCapturedStderr();
}

// The loader's filters read the process identity from here; a host's declaration must stick.
TEST_F(BundleTest, HostDeclaresItsIdentityAndFrameworks)
{
    NSBundle::setMainBundleIdentity("com.zova.bundlehost", "bundlehost");
    EXPECT_EQ(NSBundle::mainBundle()->bundleIdentifier(), "com.zova.bundlehost");
    EXPECT_TRUE(NSBundle::mainBundle()->isLoaded());
    EXPECT_EQ(NSProcessInfo::processInfo()->processName(), "bundlehost");

    NSBundle::registerLoadedFramework("com.zova.DeclaredUI");
    NSBundle::registerLoadedFramework("com.zova.DeclaredUI");
    auto frameworks = NSBundle::allFrameworks();
    auto declared = std::count_if(frameworks.begin(), frameworks.end(),
        [](const auto& framework) { return framework->bundleIdentifier() == "com.zova.DeclaredUI"; });
    EXPECT_EQ(declared, 1);
}
