// zova-sim's command line as people and scripts use it: options, help and usage errors.
#include "JsonOutput.hpp"
#include "SimProcess.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace simtest;

namespace {

bool mentions(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}

// Help asked for belongs on stdout with success; the same help after a mistake is an error.
TEST(CommandLine, HelpGoesToStdoutWhenAskedAndToStderrAfterAMistake)
{
    for (const char* asked : { "--help", "-h" }) {
        auto result = runSim({ asked });
        EXPECT_EQ(result.status, 0) << asked;
        EXPECT_TRUE(mentions(result.out, "usage: zova-sim")) << asked;
        EXPECT_TRUE(result.err.empty()) << asked;
    }
    auto help = runSim({ "--help" }).out;
    EXPECT_TRUE(mentions(help, "from 0")) << "rows are counted from 0";
    EXPECT_TRUE(mentions(help, "var/mobile/Media/DCIM")) << "where the photo library lives";
    EXPECT_TRUE(mentions(help, "exit status"));

    auto none = runSim({});
    EXPECT_EQ(none.status, 2);
    EXPECT_TRUE(none.out.empty());
    EXPECT_TRUE(mentions(none.err, "usage: zova-sim"));

    auto one = runSim({ "help", "defaults" });
    EXPECT_EQ(one.status, 0);
    EXPECT_TRUE(mentions(one.out, "defaults write"));
    EXPECT_EQ(runSim({ "defaults", "--help" }).out, one.out);
    EXPECT_EQ(runSim({ "help", "nothing" }).status, 2);

    auto version = runSim({ "--version" });
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(mentions(version.out, "zova-sim "));
}

// Both spellings of an option's value work, and "--" ends the options.
TEST(CommandLine, OptionValuesAndTheEndOfOptions)
{
    Device device;
    auto joined = runSim({ "--root=" + device.root.string(), "defaults", "write", "com.example.cli", "k", "-int", "4" });
    ASSERT_EQ(joined.status, 0) << joined.err;
    auto separate = runSim({ "--root", device.root.string(), "--", "defaults", "read", "com.example.cli", "k" });
    EXPECT_EQ(separate.status, 0) << separate.err;
    EXPECT_EQ(separate.out, "4\n");
}

// Mistakes in the global options are usage errors with a reason, never a crash or a half run.
TEST(CommandLine, UsageErrors)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* reason;
    };
    const Case cases[] = {
        { { "--root", "", "install" }, "--root needs a directory" },
        { { "--root" }, "needs a value" },
        { { "--bogus", "install" }, "unknown option" },
        { { "--screen", "50x50", "assistant", "show" }, "from 100 to 2048" },
        { { "--screen", "390x9000", "assistant", "show" }, "from 100 to 2048" },
        { { "--screen", "wide", "assistant", "show" }, "bad --screen" },
        { { "launch" }, "unknown command" },
        { { "install" }, "needs --root" },
        { { "gif", "x.gif", "--frames", "-h" }, "usage: zova-sim gif" },
    };
    for (const auto& [arguments, reason] : cases) {
        auto result = runSim(arguments);
        EXPECT_EQ(result.status, 2) << arguments.front();
        EXPECT_TRUE(mentions(result.err, reason)) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
}

// A command's values may look like options: only the word right after the command asks for help.
TEST(CommandLine, ValuesThatLookLikeOptionsAreValues)
{
    Device device;
    auto written = runSim(device.with({ "defaults", "write", "com.example.cli", "word", "-string", "--help" }));
    ASSERT_EQ(written.status, 0) << written.err;
    auto read = runSim(device.with({ "defaults", "read", "com.example.cli", "word" }));
    EXPECT_EQ(read.out, "\"--help\"\n");
}

// Capture steps are checked before the host starts: a wrong extension or a folder that isn't there
// must not cost a whole run, and the reason is the system's.
TEST(CommandLine, CaptureFilesAreCheckedFirst)
{
    Device device;
    struct Case {
        std::vector<std::string> steps;
        const char* reason;
    };
    const Case cases[] = {
        { { "screenshot", "/tmp/screen.gif" }, "FILE.png" },
        { { "record", "/tmp/screen.png", "1" }, "FILE.gif" },
        { { "record", "/nonexistent-folder/screen.gif", "1" }, "No such file or directory" },
        { { "screenshot", "/etc/hostname/screen.png" }, "Not a directory" },
    };
    for (const auto& [steps, reason] : cases) {
        std::vector<std::string> arguments { "assistant", "show" };
        arguments.insert(arguments.end(), steps.begin(), steps.end());
        auto result = runSim(device.with(arguments));
        EXPECT_EQ(result.status, 2) << steps[1];
        EXPECT_TRUE(mentions(result.err, reason)) << result.err;
    }
    auto piped = runSim(device.with({ "assistant", "show", "screenshot", "-" }));
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_TRUE(mentions(piped.err, "install")) << "an empty device says so and hints at install";
}

// Pictures added from the command line are what the picker offers: the README's import works as
// written, names are made safe, and nothing already in the library is overwritten.
TEST(CommandLine, PhotosAddFeedsThePicker)
{
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    auto picture = std::string(ZOVA_SOURCE_DIR) + "/zovaprefs/Resources/c.gif";
    auto temporary = device.root / "IMG_0001.gif";
    std::filesystem::copy_file(picture, temporary);
    auto added = runSim(device.with({ "photos", "add", temporary.string(), temporary.string() }));
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.out, "/var/mobile/Media/DCIM/IMG_0001.gif\n/var/mobile/Media/DCIM/IMG_0001-2.gif\n");

    auto odd = device.root / ".hidden name;rm.gif";
    std::filesystem::copy_file(picture, odd);
    EXPECT_EQ(runSim(device.with({ "photos", "add", odd.string() })).out, "/var/mobile/Media/DCIM/hidden name_rm.gif\n");
    EXPECT_EQ(runSim(device.with({ "photos", "add", "/nonexistent.gif" })).status, 1);

    auto imported = runSim(device.with({ "defaults", "write", "com.velmarok.zovaprefs", "siripic", "-int", "5" }));
    ASSERT_EQ(imported.status, 0);
    auto settings = runSim(device.with({ "settings", "open", "Zova", "tap", "Picture", "tap", "Choose your picture", "pick", "IMG_0001.gif", "wait", "1.5" }));
    ASSERT_EQ(settings.status, 0) << settings.err;
    std::ifstream custom(device.root / "var/mobile/Documents/siricustom.gif", std::ios::binary);
    std::ifstream original(picture, std::ios::binary);
    EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(custom), {}, std::istreambuf_iterator<char>(original), {}));
}

// A preview needs no device of the user's: it shows the GIF behind the flames and says what the
// overlay makes of it, and leaves nothing behind.
TEST(CommandLine, PreviewShowsAnyGifWithoutInstalling)
{
    Device output;
    auto png = output.root / "preview.png";
    auto result = runSim({ "preview", std::string(ZOVA_SOURCE_DIR) + "/zovaprefs/Resources/c.gif", "--half", "-o", png.string() });
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(parsedJson(result.out)["frames"], 24) << result.out;
    EXPECT_GT(std::filesystem::file_size(png), 1000u);
    EXPECT_EQ(runSim({ "preview", "/nonexistent.gif", "-o", png.string() }).status, 1);
    EXPECT_EQ(runSim({ "preview", "x.gif" }).status, 2);
}

// People type labels in any case; a miss names what was there to choose.
TEST(CommandLine, SettingsLabelsMatchInAnyCaseAndAMissListsTheChoices)
{
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    auto matched = runSim(device.with({ "settings", "open", "zova", "tap", "PICTURE", "row", "2", "back", "tap", "about zova", "tap", "thank you" }));
    EXPECT_EQ(matched.status, 0) << matched.err;

    auto missed = runSim(device.with({ "settings", "open", "Zova", "tap", "Pictures" }));
    EXPECT_EQ(missed.status, 1);
    EXPECT_TRUE(mentions(missed.err, "choices: 'Enabled', 'Full opacity', 'Picture'")) << missed.err;
    auto noEntry = runSim(device.with({ "settings", "open", "Nova" }));
    EXPECT_TRUE(mentions(noEntry.err, "choices: 'Zova'")) << noEntry.err;
}

// Catches point steps that are read as labels or run half parsed: a bad drag stops the run before
// the app starts, and a point tap on the list's row chooses it.
TEST(CommandLine, SettingsPointTapsAndDragsAreTouchesOnTheScreen)
{
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    auto badDrag = runSim(device.with({ "settings", "drag", "10,20" }));
    EXPECT_EQ(badDrag.status, 2);
    EXPECT_TRUE(mentions(badDrag.err, "drag needs a point and a distance")) << badDrag.err;
    // Rows start below the 44-point bar and the 35-point header: 101 is the middle of the first.
    auto tapped = runSim(device.with({ "settings", "open", "Zova", "tap", "Picture", "drag", "200,300", "0,-100", "tap", "200,101", "dump" }));
    EXPECT_EQ(tapped.status, 0) << tapped.err;
    auto nothing = runSim(device.with({ "settings", "tap", "-5,-5" }));
    EXPECT_EQ(nothing.status, 1);
    EXPECT_TRUE(mentions(nothing.err, "nothing there takes a tap")) << nothing.err;
}
