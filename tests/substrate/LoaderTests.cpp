#include "TemporaryDevice.hpp"

#include <substrate/Loader.hpp>

#include <foundation/NSBundle.hpp>
#include <foundation/PropertyList.hpp>
#include <objc/NSObject.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> s_loadedStems;

class LoaderHostClass : public NSObject { };
const Class s_hostClass = objc::registerClass<LoaderHostClass>("ZTLoaderHostClass", "NSObject");

}

// Called by the test tweak's module initialiser with the file it was loaded from.
extern "C" __attribute__((visibility("default"))) void zovaTestRecordLoad(const char* libraryPath)
{
    s_loadedStems.push_back(std::filesystem::path(libraryPath).stem().string());
}

namespace {

using Names = std::vector<std::string>;

PlistValue strings(const Names& names)
{
    PlistArray array;
    for (const auto& name : names)
        array.emplace_back(name);
    return array;
}

// Each test runs in a device of its own and names its libraries after itself, so every library
// is a fresh copy that the dynamic loader has not seen yet in this process.
class LoaderTest : public testing::Test {
protected:
    void SetUp() override
    {
        NSBundle::setMainBundleIdentity("com.zova.loaderhost", "loaderhost");
        NSBundle::registerLoadedFramework("com.zova.HostUI");
        s_loadedStems.clear();
        m_prefix = testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    std::string stem(const std::string& name) const { return m_prefix + "_" + name; }

    void installTweak(const std::string& name, const PlistValue& propertyList,
        NSPropertyListSerialization::Format format = NSPropertyListSerialization::Format::XML)
    {
        std::string path = std::string(Substrate::dynamicLibrariesDirectory) + stem(name);
        m_device.write(path + ".plist", NSPropertyListSerialization::dataWithPropertyList(propertyList, format));
        m_device.copy(ZOVA_TEST_TWEAK, path + ".dylib");
    }

    void installFilter(const std::string& name, PlistDictionary filter)
    {
        installTweak(name, PlistDictionary { { "Filter", std::move(filter) } });
    }

    Names loadedStems() const { return s_loadedStems; }
    Names stems(const Names& names) const
    {
        Names result;
        for (const auto& name : names)
            result.push_back(stem(name));
        return result;
    }

    TemporaryDevice m_device;
    std::string m_prefix;
};

}

// The main bundle and every loaded framework must count, in name order; other bundles must not.
TEST_F(LoaderTest, BundlesFilterMatchesMainBundleOrLoadedFramework)
{
    installFilter("c_other", { { "Bundles", strings({ "com.zova.elsewhere" }) } });
    installFilter("b_framework", { { "Bundles", strings({ "com.zova.elsewhere", "com.zova.HostUI" }) } });
    installFilter("a_main", { { "Bundles", strings({ "com.zova.loaderhost" }) } });
    auto summary = Substrate::loadTweaks();
    EXPECT_EQ(loadedStems(), stems({ "a_main", "b_framework" }));
    ASSERT_EQ(summary.loaded.size(), 2u);
    EXPECT_EQ(summary.loaded[0], std::string(Substrate::dynamicLibrariesDirectory) + stem("a_main") + ".dylib");
    EXPECT_TRUE(summary.failures.empty());
    EXPECT_NE(summary.description().find(stem("b_framework") + ".dylib"), std::string::npos);
}

// The executable name and registered classes are kinds of their own.
TEST_F(LoaderTest, ExecutablesAndClassesFiltersMatch)
{
    installFilter("a_executable", { { "Executables", strings({ "loaderhost" }) } });
    installFilter("b_wrong_executable", { { "Executables", strings({ "springboard" }) } });
    installFilter("c_class", { { "Classes", strings({ "ZTNoSuchClass", "ZTLoaderHostClass" }) } });
    installFilter("d_missing_class", { { "Classes", strings({ "ZTNoSuchClass" }) } });
    Substrate::loadTweaks();
    EXPECT_EQ(loadedStems(), stems({ "a_executable", "c_class" }));
}

// Without Mode "Any", one kind that fails must keep the library out.
TEST_F(LoaderTest, SeveralKindsMustAllMatch)
{
    installFilter("a_both", { { "Bundles", strings({ "com.zova.loaderhost" }) }, { "Executables", strings({ "loaderhost" }) } });
    installFilter("b_one", { { "Bundles", strings({ "com.zova.loaderhost" }) }, { "Executables", strings({ "springboard" }) } });
    installFilter("c_all_mode", { { "Mode", "All" }, { "Bundles", strings({ "com.zova.loaderhost" }) }, { "Classes", strings({ "ZTNoSuchClass" }) } });
    Substrate::loadTweaks();
    EXPECT_EQ(loadedStems(), stems({ "a_both" }));
}

// Mode "Any" must accept one matching kind, and still refuse when none matches.
TEST_F(LoaderTest, ModeAnyNeedsOneKind)
{
    installFilter("a_one", { { "Mode", "Any" }, { "Bundles", strings({ "com.zova.elsewhere" }) }, { "Executables", strings({ "loaderhost" }) } });
    installFilter("b_none", { { "Mode", "Any" }, { "Bundles", strings({ "com.zova.elsewhere" }) }, { "Classes", strings({ "ZTNoSuchClass" }) } });
    Substrate::loadTweaks();
    EXPECT_EQ(loadedStems(), stems({ "a_one" }));
}

// A library must never be injected everywhere just because its filter is missing or empty.
TEST_F(LoaderTest, MissingOrEmptyFilterLoadsNothing)
{
    installTweak("a_no_filter", PlistDictionary { { "Bundles", strings({ "com.zova.loaderhost" }) } });
    installTweak("b_empty_filter", PlistDictionary { { "Filter", PlistDictionary {} } });
    installTweak("c_filter_not_dictionary", PlistDictionary { { "Filter", strings({ "com.zova.loaderhost" }) } });
    installFilter("d_wrong_type", { { "Bundles", "com.zova.loaderhost" } });
    auto summary = Substrate::loadTweaks();
    EXPECT_TRUE(loadedStems().empty());
    EXPECT_TRUE(summary.loaded.empty());
    EXPECT_EQ(summary.description(), "loaded: none");
}

// Both forms of property list occur on devices; reading only one would silently drop tweaks.
TEST_F(LoaderTest, BinaryAndXMLPropertyListsAreRead)
{
    PlistDictionary filter { { "Filter", PlistDictionary { { "Executables", strings({ "loaderhost" }) } } } };
    installTweak("a_binary", filter, NSPropertyListSerialization::Format::Binary);
    installTweak("b_xml", filter, NSPropertyListSerialization::Format::XML);
    Substrate::loadTweaks();
    EXPECT_EQ(loadedStems(), stems({ "a_binary", "b_xml" }));
}

// One broken file must cost one line on stderr, not the host or the libraries after it.
TEST_F(LoaderTest, BrokenPropertyListIsSkippedWithOneLine)
{
    std::string directory = Substrate::dynamicLibrariesDirectory;
    m_device.write(directory + stem("a_broken") + ".plist", std::string("<plist><dict><key>Filter"));
    m_device.copy(ZOVA_TEST_TWEAK, directory + stem("a_broken") + ".dylib");
    installFilter("b_good", { { "Executables", strings({ "loaderhost" }) } });
    testing::internal::CaptureStderr();
    auto summary = Substrate::loadTweaks();
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1);
    EXPECT_NE(errors.find(stem("a_broken") + ".plist"), std::string::npos);
    EXPECT_EQ(loadedStems(), stems({ "b_good" }));
    EXPECT_EQ(summary.failures.size(), 1u);
}

// A library that is missing or not a shared object must be skipped and reported, not abort loading.
TEST_F(LoaderTest, LibraryThatFailsToLoadIsSkipped)
{
    std::string directory = Substrate::dynamicLibrariesDirectory;
    PlistDictionary filter { { "Filter", PlistDictionary { { "Executables", strings({ "loaderhost" }) } } } };
    m_device.write(directory + stem("a_garbage") + ".plist", NSPropertyListSerialization::dataWithPropertyList(filter, NSPropertyListSerialization::Format::XML));
    m_device.write(directory + stem("a_garbage") + ".dylib", std::string("not an ELF file"));
    m_device.write(directory + stem("b_absent") + ".plist", NSPropertyListSerialization::dataWithPropertyList(filter, NSPropertyListSerialization::Format::XML));
    installTweak("c_good", filter);
    testing::internal::CaptureStderr();
    auto summary = Substrate::loadTweaks();
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2);
    EXPECT_EQ(summary.failures.size(), 2u);
    EXPECT_EQ(loadedStems(), stems({ "c_good" }));
    EXPECT_NE(summary.description().find("2 skipped"), std::string::npos);
}

// The initialiser binds settings and installs hooks; running it twice would hook twice.
TEST_F(LoaderTest, InitialiserRunsOncePerProcess)
{
    installFilter("a_once", { { "Executables", strings({ "loaderhost" }) } });
    Substrate::loadTweaks();
    Substrate::loadTweaks();
    EXPECT_EQ(loadedStems(), stems({ "a_once" }));
}

// Loading into the global scope would let one tweak's symbols satisfy or shadow another's.
TEST_F(LoaderTest, LibrarySymbolsStayLocal)
{
    installFilter("a_local", { { "Executables", strings({ "loaderhost" }) } });
    Substrate::loadTweaks();
    ASSERT_EQ(loadedStems(), stems({ "a_local" }));
    EXPECT_EQ(::dlsym(RTLD_DEFAULT, "zovaTestTweakMarker"), nullptr);
}

// A device without the folder (or without a root at all) is a normal host with nothing to inject.
TEST_F(LoaderTest, NoFolderLoadsNothing)
{
    auto summary = Substrate::loadTweaks();
    EXPECT_TRUE(summary.loaded.empty());
    EXPECT_TRUE(summary.failures.empty());
}
