// The two packages a phone installs: their control fields, their layout, and a phone that runs from
// them alone.
#include "SimProcess.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>

using simtest::Device;
using simtest::runSim;

namespace {

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
    auto value = commandOutput(std::string("dpkg-deb --field ") + package + " " + name);
    return value.empty() ? value : value.substr(0, value.size() - 1);
}

}

// A package without its ecosystem's fields, or with a stale version, won't install on a phone.
TEST(Packages, CarryTheControlFieldsOfTheEcosystem)
{
    for (const char* package : { ZOVA_TWEAK_PACKAGE, ZOVA_SETTINGS_PACKAGE }) {
        for (const char* name : { "Package", "Name", "Architecture", "Section", "Description", "Maintainer", "Author" })
            EXPECT_FALSE(field(package, name).empty()) << package << " has no " << name;
        EXPECT_EQ(field(package, "Version"), version());
        EXPECT_NE(field(package, "Depends").find("ws.hbang.common"), std::string::npos) << "the preferences library";
    }
    EXPECT_NE(field(ZOVA_TWEAK_PACKAGE, "Depends").find("mobilesubstrate"), std::string::npos) << "the injection loader";
    EXPECT_EQ(field(ZOVA_TWEAK_PACKAGE, "Package"), "com.velmarok.zova");
    EXPECT_EQ(field(ZOVA_SETTINGS_PACKAGE, "Package"), "com.velmarok.zovaprefs");
}

// Files must lie where the loader, the Settings app and the tweak look for them.
TEST(Packages, AreLaidOutAsOnThePhone)
{
    auto tweak = commandOutput(std::string("dpkg-deb --contents ") + ZOVA_TWEAK_PACKAGE);
    EXPECT_NE(tweak.find("./Library/MobileSubstrate/DynamicLibraries/zova.dylib"), std::string::npos);
    EXPECT_NE(tweak.find("./Library/MobileSubstrate/DynamicLibraries/zova.plist"), std::string::npos);
    auto settings = commandOutput(std::string("dpkg-deb --contents ") + ZOVA_SETTINGS_PACKAGE);
    for (const char* file : { "zovaprefs", "Info.plist", "Root.plist", "a.gif", "b.gif", "c.gif", "h.gif", "e.gif" })
        EXPECT_NE(settings.find(std::string("./Library/PreferenceBundles/zovaprefs.bundle/") + file), std::string::npos) << file;
    EXPECT_NE(settings.find("./Library/PreferenceLoader/Preferences/zovaprefs.plist"), std::string::npos);
}

// An empty phone with the two packages runs the overlay and the settings pages.
TEST(Packages, AnEmptyPhoneRunsFromThem)
{
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    auto assistant = runSim(device.with({ "assistant", "show", "dump" }));
    ASSERT_EQ(assistant.status, 0) << assistant.err;
    EXPECT_NE(assistant.out.find(R"("class": "UIImageView", "frame": [0, 0, 390, 844], "alpha": 1,)"), std::string::npos);
    EXPECT_NE(assistant.out.find(R"("image": {"size": [195, 422])"), std::string::npos) << "the first shipped picture";
    auto settings = runSim(device.with({ "settings", "open", "Zova", "dump" }));
    ASSERT_EQ(settings.status, 0) << settings.err;
    EXPECT_NE(settings.out.find(R"({"class": "ZOVARootListController", "title": "Zova"})"), std::string::npos) << settings.out;
}
