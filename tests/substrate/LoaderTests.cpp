#include "TemporaryDevice.hpp"
#include "foundation/HostilePropertyLists.hpp"

#include <substrate/Loader.hpp>

#include <foundation/NSBundle.hpp>
#include <foundation/PropertyList.hpp>
#include <objc/NSObject.hpp>

#include <gtest/gtest.h>

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

using Names = std::vector<std::string>;

namespace {

Names s_loadedStems;

class LoaderHostClass : public NSObject { };
const Class s_hostClass = objc::registerClass<LoaderHostClass>("ZTLoaderHostClass", "NSObject");

}

// Called by the test tweak's module initialiser with the file it was loaded from: the loader loads
// through a descriptor it keeps open, whose link names the file.
extern "C" __attribute__((visibility("default"))) void zovaTestRecordLoad(const char* libraryPath)
{
    std::error_code error;
    auto file = std::filesystem::read_symlink(libraryPath, error);
    s_loadedStems.push_back((error ? std::filesystem::path(libraryPath) : file).stem().string());
}

namespace {

using Format = NSPropertyListSerialization::Format;

PlistValue strings(const Names& names)
{
    return PlistArray(names.begin(), names.end());
}

size_t lineCount(const std::string& text)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// Each test has a device of its own and names its libraries after itself, so every library is a
// fresh copy that the dynamic loader has not seen yet in this process.
class LoaderTest : public testing::Test {
protected:
    void SetUp() override
    {
        NSBundle::setMainBundleIdentity("com.zova.loaderhost", "loaderhost");
        NSBundle::registerLoadedFramework("com.zova.HostUI");
        s_loadedStems.clear();
        m_prefix = testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    std::string path(const std::string& name, const char* extension) const
    {
        return Substrate::dynamicLibrariesDirectory + m_prefix + "_" + name + extension;
    }
    Names stems(const Names& names) const
    {
        Names result;
        for (const auto& name : names)
            result.push_back(m_prefix + "_" + name);
        return result;
    }

    void install(const std::string& name, const PlistValue& propertyList, Format format = Format::XML)
    {
        m_device.write(path(name, ".plist"), NSPropertyListSerialization::dataWithPropertyList(propertyList, format));
        m_device.copy(ZOVA_TEST_TWEAK, path(name, ".dylib"));
    }
    void installFilter(const std::string& name, PlistDictionary filter, Format format = Format::XML)
    {
        install(name, PlistDictionary { { "Filter", std::move(filter) } }, format);
    }

    TemporaryDevice m_device;
    std::string m_prefix;
};

}

// Each kind must match what the process is (main bundle or a loaded framework, executable name,
// a registered class) and nothing else; property lists are read in name order.
TEST_F(LoaderTest, EachFilterKindMatchesTheProcess)
{
    installFilter("f_other_bundle", { { "Bundles", strings({ "com.zova.elsewhere" }) } });
    installFilter("b_framework", { { "Bundles", strings({ "com.zova.elsewhere", "com.zova.HostUI" }) } });
    installFilter("a_main_bundle", { { "Bundles", strings({ "com.zova.loaderhost" }) } });
    installFilter("c_executable", { { "Executables", strings({ "loaderhost" }) } });
    installFilter("g_other_executable", { { "Executables", strings({ "springboard" }) } });
    installFilter("d_class", { { "Classes", strings({ "ZTNoSuchClass", "ZTLoaderHostClass" }) } });
    installFilter("h_missing_class", { { "Classes", strings({ "ZTNoSuchClass" }) } });
    auto summary = Substrate::loadTweaks();
    EXPECT_EQ(s_loadedStems, stems({ "a_main_bundle", "b_framework", "c_executable", "d_class" }));
    ASSERT_EQ(summary.loaded.size(), 4u);
    EXPECT_EQ(summary.loaded[0], path("a_main_bundle", ".dylib"));
    EXPECT_TRUE(summary.failures.empty());
}

// Several kinds must all match unless Mode is "Any", which needs one and still refuses none.
TEST_F(LoaderTest, ModeDecidesHowKindsCombine)
{
    PlistValue ourBundle = strings({ "com.zova.loaderhost" });
    PlistValue otherExecutable = strings({ "springboard" });
    installFilter("a_all_match", { { "Bundles", ourBundle }, { "Executables", strings({ "loaderhost" }) } });
    installFilter("b_one_fails", { { "Bundles", ourBundle }, { "Executables", otherExecutable } });
    installFilter("c_any_one", { { "Mode", "Any" }, { "Bundles", ourBundle }, { "Executables", otherExecutable } });
    installFilter("d_any_none", { { "Mode", "Any" }, { "Classes", strings({ "ZTNoSuchClass" }) }, { "Executables", otherExecutable } });
    Substrate::loadTweaks();
    EXPECT_EQ(s_loadedStems, stems({ "a_all_match", "c_any_one" }));
}

// A library must never be injected everywhere because its filter is missing, empty or mistyped.
TEST_F(LoaderTest, MissingOrEmptyFilterLoadsNothing)
{
    install("a_no_filter", PlistDictionary { { "Bundles", strings({ "com.zova.loaderhost" }) } });
    install("b_empty_filter", PlistDictionary { { "Filter", PlistDictionary {} } });
    install("c_filter_not_dictionary", PlistDictionary { { "Filter", strings({ "com.zova.loaderhost" }) } });
    installFilter("d_kind_not_array", { { "Bundles", "com.zova.loaderhost" } });
    auto summary = Substrate::loadTweaks();
    EXPECT_TRUE(s_loadedStems.empty());
    EXPECT_EQ(summary.description(), "loaded: none");
}

// Both forms occur on devices; one broken file or library must cost one line on stderr each,
// never the host or the libraries after it.
TEST_F(LoaderTest, BinaryAndXMLReadBrokenFilesSkipped)
{
    PlistDictionary matching { { "Executables", strings({ "loaderhost" }) } };
    installFilter("a_binary", matching, Format::Binary);
    installFilter("b_broken_plist", matching);
    m_device.write(path("b_broken_plist", ".plist"), std::string("<plist><dict><key>Filter"));
    installFilter("c_not_elf", matching);
    m_device.write(path("c_not_elf", ".dylib"), std::string("not an ELF file"));
    installFilter("d_absent_library", matching);
    std::filesystem::remove(m_device.hostPath(path("d_absent_library", ".dylib")));
    installFilter("e_xml", matching, Format::XML);

    testing::internal::CaptureStderr();
    auto summary = Substrate::loadTweaks();
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(s_loadedStems, stems({ "a_binary", "e_xml" }));
    EXPECT_EQ(lineCount(errors), 3u) << errors;
    EXPECT_NE(errors.find(path("b_broken_plist", ".plist")), std::string::npos);
    EXPECT_EQ(summary.failures.size(), 3u);
    EXPECT_NE(summary.description().find("(3 skipped)"), std::string::npos);
}

// A crafted filter (NUL in its text, nesting that overflowed the stack, arrays shared until they
// fill memory) must cost one line on stderr, never every host that runs the loader.
TEST_F(LoaderTest, HostileFilterFilesAreSkippedWithOneLineEach)
{
    PlistDictionary matching { { "Executables", strings({ "loaderhost" }) } };
    std::vector<std::pair<std::string, std::vector<uint8_t>>> hostileFiles = {
        { "a_utf16_nul", hostile::utf16NulStore() }, { "b_xml_raw_nul", hostile::xmlRawNulStore() },
        { "c_shared_arrays", hostile::sharedArrays(29) }, { "d_deep_binary", hostile::nestedStore(100'000) },
        { "e_deep_xml", hostile::nestedXML(100'000) }, { "f_ascii_high_bytes", hostile::asciiHighByteStore() },
    };
    for (const auto& [name, bytes] : hostileFiles) {
        installFilter(name, matching);
        m_device.write(path(name, ".plist"), bytes);
    }
    installFilter("g_good", matching);

    testing::internal::CaptureStderr();
    auto summary = Substrate::loadTweaks();
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(s_loadedStems, stems({ "g_good" }));
    EXPECT_EQ(lineCount(errors), hostileFiles.size()) << errors;
    for (const auto& [name, bytes] : hostileFiles)
        EXPECT_NE(errors.find(path(name, ".plist") + ": "), std::string::npos) << name;
}

// The initialiser installs hooks, so it must run once; a library loaded into the global scope
// would let its symbols satisfy or shadow those of libraries loaded later.
TEST_F(LoaderTest, InitialiserRunsOnceAndSymbolsStayLocal)
{
    installFilter("a_once", { { "Executables", strings({ "loaderhost" }) } });
    Substrate::loadTweaks();
    Substrate::loadTweaks();
    EXPECT_EQ(s_loadedStems, stems({ "a_once" }));
    EXPECT_EQ(::dlsym(RTLD_DEFAULT, "zovaTestTweakMarker"), nullptr);
}

// A filter or library linked out of the device must not be read or loaded; one linked inside it is
// the device's own and loads.
TEST_F(LoaderTest, LinksLeadOnlyInsideTheDevice)
{
    PlistDictionary matching { { "Executables", strings({ "loaderhost" }) } };
    TemporaryDevice outside;
    m_device.use();
    outside.write("/a_plist_out.plist", NSPropertyListSerialization::dataWithPropertyList(PlistDictionary { { "Filter", matching } }, Format::XML));
    outside.copy(ZOVA_TEST_TWEAK, "/" + m_prefix + "_b_library_out.dylib");

    std::filesystem::create_directories(m_device.hostPath(Substrate::dynamicLibrariesDirectory));
    std::filesystem::create_symlink(outside.hostPath("/a_plist_out.plist"), m_device.hostPath(path("a_plist_out", ".plist")));
    m_device.copy(ZOVA_TEST_TWEAK, path("a_plist_out", ".dylib"));
    installFilter("b_library_out", matching);
    std::filesystem::remove(m_device.hostPath(path("b_library_out", ".dylib")));
    std::filesystem::create_symlink(outside.hostPath("/" + m_prefix + "_b_library_out.dylib"), m_device.hostPath(path("b_library_out", ".dylib")));
    m_device.write("/Library/Filters/c.plist", NSPropertyListSerialization::dataWithPropertyList(PlistDictionary { { "Filter", matching } }, Format::XML));
    m_device.copy(ZOVA_TEST_TWEAK, "/Library/Tweaks/" + m_prefix + "_c_linked_inside.dylib");
    std::filesystem::create_symlink("/Library/Filters/c.plist", m_device.hostPath(path("c_linked_inside", ".plist")));
    std::filesystem::create_symlink("../../Tweaks/" + m_prefix + "_c_linked_inside.dylib", m_device.hostPath(path("c_linked_inside", ".dylib")));

    testing::internal::CaptureStderr();
    auto summary = Substrate::loadTweaks();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(s_loadedStems, stems({ "c_linked_inside" }));
    EXPECT_EQ(summary.failures.size(), 2u);
}

// A fifo, a folder or a device named like a filter or library must cost a line, never block the host.
TEST_F(LoaderTest, OnlyRegularFilesAreReadOrLoaded)
{
    PlistDictionary matching { { "Executables", strings({ "loaderhost" }) } };
    std::filesystem::create_directories(m_device.hostPath(Substrate::dynamicLibrariesDirectory));
    ASSERT_EQ(::mkfifo(m_device.hostPath(path("a_fifo_plist", ".plist")).c_str(), 0644), 0);
    m_device.copy(ZOVA_TEST_TWEAK, path("a_fifo_plist", ".dylib"));
    installFilter("b_fifo_library", matching);
    std::filesystem::remove(m_device.hostPath(path("b_fifo_library", ".dylib")));
    ASSERT_EQ(::mkfifo(m_device.hostPath(path("b_fifo_library", ".dylib")).c_str(), 0644), 0);
    std::filesystem::create_directories(m_device.hostPath(path("c_folder", ".plist")));
    installFilter("d_fine", matching);

    testing::internal::CaptureStderr();
    auto summary = Substrate::loadTweaks();
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(s_loadedStems, stems({ "d_fine" }));
    EXPECT_EQ(summary.failures.size(), 3u) << errors;
    EXPECT_NE(errors.find("not a regular file"), std::string::npos) << errors;
}

// A rootless phone's libraries must load, before the rootful folder's, and a library present in
// both folders must be injected once, not twice.
TEST_F(LoaderTest, RootlessFolderComesFirstAndHidesTheSameName)
{
    PlistValue filter = PlistDictionary { { "Filter", PlistDictionary { { "Bundles", strings({ "com.zova.loaderhost" }) } } } };
    auto rootless = [&](const std::string& name, const char* extension) {
        return Substrate::rootlessDynamicLibrariesDirectory + m_prefix + "_" + name + extension;
    };
    for (const char* name : { "b_rootless", "c_both" }) {
        m_device.write(rootless(name, ".plist"), NSPropertyListSerialization::dataWithPropertyList(filter, Format::XML));
        m_device.copy(ZOVA_TEST_TWEAK, rootless(name, ".dylib"));
    }
    install("a_rootful", filter);
    install("c_both", filter);
    auto summary = Substrate::loadTweaks();
    EXPECT_EQ(s_loadedStems, stems({ "b_rootless", "c_both", "a_rootful" }));
    ASSERT_EQ(summary.loaded.size(), 3u);
    EXPECT_EQ(summary.loaded[1], rootless("c_both", ".dylib"));
    EXPECT_TRUE(summary.failures.empty());
}
