// The JSON zova-sim prints, as people and scripts read it: always valid, one line by default,
// indented with --pretty.
#include "JsonOutput.hpp"
#include "SimProcess.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace simtest;

namespace {

constexpr const char* identifier = "com.velmarok.zovaprefs";
const std::string picture = std::string(ZOVA_SOURCE_DIR) + "/zovaprefs/Resources/c.gif";
// A name that is not UTF-8, as a file of any file system may have, and what it shows as.
const std::string badName = "bad\xffname.gif";
const std::string shownBadName = "bad\xef\xbf\xbdname.gif";

long lineCount(const std::string& text)
{
    return std::count(text.begin(), text.end(), '\n');
}

// The same command without and with --pretty (inserted at that index of the arguments).
void expectPrettyIsTheSameValue(std::vector<std::string> arguments, size_t index)
{
    auto compact = runSim(arguments);
    arguments.insert(arguments.begin() + static_cast<long>(index), "--pretty");
    auto pretty = runSim(arguments);
    ASSERT_EQ(compact.status, 0) << compact.err;
    ASSERT_EQ(pretty.status, 0) << pretty.err;
    EXPECT_EQ(lineCount(compact.out), 1) << compact.out;
    EXPECT_GE(lineCount(pretty.out), 3) << pretty.out;
    EXPECT_EQ(pretty.out.substr(0, 5), "{\n  \"") << "indented by 2";
    auto value = parsedJson(compact.out);
    EXPECT_TRUE(value.is_object()) << compact.out;
    EXPECT_EQ(parsedJson(pretty.out), value) << pretty.out;
}

}

// Catches --pretty refused, printing something else than the one-line output, or that one line
// turning into several for the scripts that read it.
TEST(JsonOutput, PrettyIsTheOneLineValueIndented)
{
    expectPrettyIsTheSameValue({ "gif", picture }, 2);
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    ASSERT_EQ(runSim(device.with({ "defaults", "write", identifier, "siripic", "-int", "2" })).status, 0);
    expectPrettyIsTheSameValue(device.with({ "defaults", "read", identifier }), 4);
    expectPrettyIsTheSameValue(device.with({ "assistant", "show", "dump" }), 3);
    expectPrettyIsTheSameValue(device.with({ "settings", "open", "Zova", "dump" }), 3);
    // After the identifier it is a key like any other.
    EXPECT_EQ(runSim(device.with({ "defaults", "read", identifier, "--pretty" })).status, 1);
}

// Catches a file name that is not UTF-8 copied as raw bytes into the output, which no JSON reader
// accepts.
TEST(JsonOutput, FileNamesThatAreNotUtf8StillMakeValidJson)
{
    Device device;
    auto file = device.root / badName;
    std::filesystem::copy_file(picture, file);
    auto report = runSim({ "gif", file.string() });
    ASSERT_EQ(report.status, 0) << report.err;
    auto value = parsedJson(report.out);
    ASSERT_TRUE(value.is_object()) << report.out;
    EXPECT_EQ(value["file"], (device.root / shownBadName).string());

    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    std::filesystem::create_directories(device.root / "var/mobile/Media/DCIM");
    std::filesystem::copy_file(picture, device.root / "var/mobile/Media/DCIM" / badName);
    auto settings = runSim(device.with({ "settings", "open", "Zova", "tap", "Picture", "row", "5", "tap", "Choose your picture", "dump" }));
    ASSERT_EQ(settings.status, 0) << settings.err;
    auto dump = parsedJson(settings.out);
    ASSERT_TRUE(dump.is_object()) << settings.out;
    EXPECT_EQ(dump["presented"]["picker"], Json::array({ shownBadName }));
}
