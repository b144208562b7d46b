// The two packages a phone installs, in both layouts: their control fields, their layout, what the
// binaries carry, and a phone that runs from them alone.
#include "JsonOutput.hpp"
#include "SimProcess.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

using simtest::containsMatch;
using simtest::Device;
using simtest::Json;
using simtest::parsedJson;
using simtest::runSim;

namespace {

struct Layout {
    const char* scheme;
    const char* prefix;
    const char* tweak;
    const char* settings;
};

const Layout s_layouts[] = {
    { "rootful", "", ZOVA_ROOTFUL_TWEAK_PACKAGE, ZOVA_ROOTFUL_SETTINGS_PACKAGE },
    { "rootless", "/var/jb", ZOVA_ROOTLESS_TWEAK_PACKAGE, ZOVA_ROOTLESS_SETTINGS_PACKAGE },
};

std::string commandOutput(const std::string& command)
{
    std::string output;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    char buffer[4096];
    while (pipe && fgets(buffer, sizeof buffer, pipe.get()))
        output += buffer;
    return output;
}

std::string version()
{
    std::string text;
    std::ifstream(ZOVA_SOURCE_DIR "/VERSION") >> text;
    return text;
}

std::string field(const char* package, const char* name)
{
    auto value = commandOutput(std::string("dpkg-deb --field '") + package + "' " + name);
    return value.empty() ? value : value.substr(0, value.size() - 1);
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

// The package's files and its control files (in DEBIAN/), as dpkg-deb lays them out.
struct Unpacked : Device {
    explicit Unpacked(const char* package)
    {
        std::system(("dpkg-deb --raw-extract '" + std::string(package) + "' '" + root.string() + "'").c_str());
    }
};

// Kilobytes as dpkg counts them: each file rounded up to a whole KiB, one per folder.
long installedKilobytes(const std::filesystem::path& root)
{
    long total = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.path().lexically_relative(root).begin()->string() == "DEBIAN")
            continue;
        total += entry.is_regular_file() ? static_cast<long>((entry.file_size() + 1023) / 1024) : 1;
    }
    return total;
}

}

// A package without its ecosystem's fields, or with a stale version, won't install on a phone.
TEST(Packages, CarryTheControlFieldsOfTheEcosystem)
{
    for (const auto& layout : s_layouts) {
        for (const char* package : { layout.tweak, layout.settings }) {
            for (const char* name : { "Package", "Name", "Section", "Description", "Maintainer", "Author" })
                EXPECT_FALSE(field(package, name).empty()) << package << " has no " << name;
            EXPECT_NE(field(package, "Depends").find("ws.hbang.common"), std::string::npos) << "the preferences library";
        }
        EXPECT_NE(field(layout.tweak, "Depends").find("mobilesubstrate"), std::string::npos) << "the injection loader";
        EXPECT_EQ(field(layout.tweak, "Package"), "com.velmarok.zova");
        EXPECT_EQ(field(layout.settings, "Package"), "com.velmarok.zovaprefs");
    }
}

// Linux binaries labelled for a phone would be installed by a phone's dpkg and fail to load there.
TEST(Packages, SayTheyAreTheSimulatedDevicesBuild)
{
    for (const auto& layout : s_layouts) {
        for (const char* package : { layout.tweak, layout.settings }) {
            auto architecture = field(package, "Architecture");
            EXPECT_EQ(architecture.rfind("zovasim-", 0), 0u) << architecture;
            EXPECT_FALSE(contains(architecture, "iphoneos")) << architecture;
            EXPECT_EQ(contains(architecture, "rootless"), std::string(layout.scheme) == "rootless") << architecture;
            EXPECT_EQ(field(package, "Version"), version() + "+sim");
            EXPECT_TRUE(contains(field(package, "Description"), "simulated device's build")) << package;
        }
    }
}

// A wrong size misleads the installer's space check; a missing or stale md5sums hides damaged files.
TEST(Packages, DeclareTheirSizeAndTheSumsOfTheirFiles)
{
    for (const auto& layout : s_layouts) {
        for (const char* package : { layout.tweak, layout.settings }) {
            Unpacked unpacked(package);
            EXPECT_EQ(field(package, "Installed-Size"), std::to_string(installedKilobytes(unpacked.root))) << package;
            auto sums = readFile(unpacked.root / "DEBIAN/md5sums");
            long files = 0;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(unpacked.root))
                files += entry.is_regular_file() && !contains(entry.path().string(), "/DEBIAN/");
            EXPECT_EQ(std::count(sums.begin(), sums.end(), '\n'), files) << package;
            auto check = "cd '" + unpacked.root.string() + "' && md5sum --quiet --strict -c DEBIAN/md5sums 2>&1 && echo ok";
            EXPECT_EQ(commandOutput(check), "ok\n") << package;
        }
    }
}

// Files must lie where the loader, the Settings app and the tweak of that layout look for them.
TEST(Packages, AreLaidOutAsOnThePhoneInBothLayouts)
{
    for (const auto& layout : s_layouts) {
        std::string prefix = std::string(".") + layout.prefix;
        auto tweak = commandOutput(std::string("dpkg-deb --contents '") + layout.tweak + "'");
        EXPECT_TRUE(contains(tweak, prefix + "/Library/MobileSubstrate/DynamicLibraries/zova.dylib")) << tweak;
        EXPECT_TRUE(contains(tweak, prefix + "/Library/MobileSubstrate/DynamicLibraries/zova.plist"));
        auto settings = commandOutput(std::string("dpkg-deb --contents '") + layout.settings + "'");
        for (const char* file : { "zovaprefs", "Info.plist", "Root.plist", "a.gif", "b.gif", "c.gif", "h.gif", "e.gif", "icon.png", "icon@2x.png", "icon@3x.png" })
            EXPECT_TRUE(contains(settings, prefix + "/Library/PreferenceBundles/zovaprefs.bundle/" + file)) << file;
        EXPECT_TRUE(contains(settings, prefix + "/Library/PreferenceLoader/Preferences/zovaprefs.plist"));
        if (*layout.prefix) {
            EXPECT_FALSE(contains(tweak + settings, " ./Library/")) << "a rootless package writes outside /var/jb";
        }
    }
}

// A run path or a debug path into the build folder makes each checkout build different packages,
// and a path that leads nowhere on the phone.
TEST(Packages, BinariesNameNoFolderOfTheBuildMachine)
{
    for (const auto& layout : s_layouts) {
        for (const char* package : { layout.tweak, layout.settings }) {
            Unpacked unpacked(package);
            std::string prefix = unpacked.root.string() + layout.prefix;
            for (auto binary : { prefix + "/Library/MobileSubstrate/DynamicLibraries/zova.dylib", prefix + "/Library/PreferenceBundles/zovaprefs.bundle/zovaprefs" }) {
                if (!std::filesystem::exists(binary))
                    continue;
                auto dynamic = commandOutput("readelf -d '" + binary + "'");
                EXPECT_FALSE(contains(dynamic, "RUNPATH") || contains(dynamic, "RPATH")) << dynamic;
#ifndef ZOVA_SANITIZED
                // The sanitizers' own reports name each source file as it was compiled.
                EXPECT_FALSE(contains(readFile(binary), ZOVA_SOURCE_DIR)) << binary;
#endif
                EXPECT_FALSE(contains(commandOutput("readelf -S '" + binary + "'"), ".debug_")) << binary;
            }
        }
    }
}

// An empty phone with the packages of either layout runs the overlay and the settings pages, and the
// user's settings stay in the user's folder.
TEST(Packages, AnEmptyPhoneRunsFromThemInBothLayouts)
{
    for (const auto& layout : s_layouts) {
        SCOPED_TRACE(layout.scheme);
        Device device;
        auto install = runSim(device.with({ "install", "--scheme", layout.scheme }));
        ASSERT_EQ(install.status, 0) << install.err;
        EXPECT_TRUE(std::filesystem::exists(device.root / (std::string(".") + layout.prefix) / "Library/MobileSubstrate/DynamicLibraries/zova.dylib"));
        if (*layout.prefix) {
            EXPECT_FALSE(std::filesystem::exists(device.root / "Library")) << "nothing outside /var/jb";
        }

        auto assistant = runSim(device.with({ "assistant", "show", "dump" }));
        ASSERT_EQ(assistant.status, 0) << assistant.err;
        auto dump = parsedJson(assistant.out);
        EXPECT_TRUE(containsMatch(dump, { { "class", "UIImageView" }, { "frame", { 0, 0, 390, 844 } }, { "alpha", 1 } })) << assistant.out;
        Json firstPicture { { "size", { 195, 422 } } };
        EXPECT_TRUE(containsMatch(dump, { { "image", firstPicture } })) << "the first shipped picture";

        auto settings = runSim(device.with({ "settings", "open", "Zova", "tap", "Picture", "row", "2", "dump" }));
        ASSERT_EQ(settings.status, 0) << settings.err;
        EXPECT_TRUE(containsMatch(parsedJson(settings.out)["stack"], { { "class", "ZOVAListItemsController" } })) << settings.out;
        EXPECT_TRUE(std::filesystem::exists(device.root / "var/mobile/Library/Preferences/com.velmarok.zovaprefs.plist"));

        auto square = runSim(device.with({ "assistant", "show", "dump" }));
        ASSERT_EQ(square.status, 0) << square.err;
        EXPECT_TRUE(containsMatch(parsedJson(square.out), { { "frame", { 0, 0, 500, 500 } } })) << "picture 2 from the installed bundle: " << square.out;
    }
}

// The Settings app's list shows the entry with the icon its package ships.
TEST(Packages, TheSettingsEntryShowsItsIcon)
{
    for (const auto& layout : s_layouts) {
        SCOPED_TRACE(layout.scheme);
        Device device;
        ASSERT_EQ(runSim(device.with({ "install", "--scheme", layout.scheme })).status, 0);
        auto settings = runSim(device.with({ "settings", "dump" }));
        ASSERT_EQ(settings.status, 0) << settings.err;
        EXPECT_TRUE(containsMatch(parsedJson(settings.out)["rows"], { { "label", "Zova" }, { "icon", { 29, 29 } } })) << settings.out;
    }
}
