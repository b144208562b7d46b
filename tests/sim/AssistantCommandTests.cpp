// The assistant host as a separate process: the loader injects the installed tweak by its filter.
#include "JsonOutput.hpp"
#include "SimProcess.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace simtest;

namespace {

constexpr const char* identifier = "com.velmarok.zovaprefs";

int countOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

}

// Settings stored before the host starts must be in force at its very first placement.
TEST(AssistantProcess, StoredSettingsApplyFromTheFirstPlacement)
{
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    ASSERT_EQ(runSim(device.with({ "defaults", "write", identifier, "siripic", "-int", "2" })).status, 0);
    ASSERT_EQ(runSim(device.with({ "defaults", "write", identifier, "trasparente", "-bool", "NO" })).status, 0);

    auto result = runSim(device.with({ "assistant", "show", "dump" }));
    ASSERT_EQ(result.status, 0) << result.err;
    auto dump = parsedJson(result.out);
    EXPECT_TRUE(containsMatch(dump, { { "class", "UIView" }, { "frame", { -55, 172, 500, 500 } } })) << result.out;
    EXPECT_TRUE(containsMatch(dump, { { "class", "UIImageView" }, { "frame", { 0, 0, 500, 500 } }, { "alpha", 0.5 } })) << result.out;
    EXPECT_TRUE(containsMatch(dump, { { "flamesRunning", true } }));
}

// The screen option reaches the host before the tweak reads the screen.
TEST(AssistantProcess, ScreenSizeOption)
{
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    auto result = runSim(device.with({ "--screen", "320x568", "assistant", "show", "dump" }));
    ASSERT_EQ(result.status, 0) << result.err;
    Json container { { "class", "UIView" }, { "frame", { 0, 0, 320, 568 } }, { "alpha", 1 }, { "hidden", false }, { "tag", 1515148865 },
        { "userInteractionEnabled", true }, { "backgroundColor", { 0, 0, 0, 0 } } };
    EXPECT_TRUE(containsMatch(parsedJson(result.out), container)) << result.out;
}

// A change written while the host runs shows at the next placement, without a restart.
TEST(AssistantProcess, ChangeReachesARunningHost)
{
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    // The host waits while a second process turns the overlay off.
    pid_t writer = fork();
    if (writer == 0) {
        usleep(400'000);
        auto result = runSim(device.with({ "defaults", "write", identifier, "acceso", "-bool", "NO" }));
        _exit(result.status);
    }
    auto result = runSim(device.with({ "assistant", "show", "dump", "wait", "1.5", "show", "dump" }));
    int status = 0;
    waitpid(writer, &status, 0);
    ASSERT_EQ(result.status, 0) << result.err;
    auto dumps = jsonLines(result.out);
    ASSERT_EQ(dumps.size(), 2u) << result.out;
    EXPECT_EQ(countMatches(dumps[0], { { "class", "UIImageView" } }), 1);
    EXPECT_EQ(countMatches(dumps[1], { { "class", "UIImageView" } }), 0) << "the overlay is off at the next placement: " << dumps[1];
    EXPECT_EQ(countMatches(dumps[1], { { "flamesRunning", true } }), 1);
}

// Without the flames view class the tweak loads, replaces nothing, and the host runs on.
TEST(AssistantProcess, HostWithoutTheFlamesClassRunsUnaffected)
{
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    auto result = runSim(device.with({ "assistant", "--without-flames-class", "show", "hide", "show", "dump" }));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(countOf(result.out, "UIImageView"), 0) << result.out;
    EXPECT_EQ(countOf(result.out, "SUICFlamesView"), 0);
}

// Bad command lines get a message and a failure status, never a half run.
TEST(AssistantProcess, BadStepsAreRefused)
{
    Device device;
    EXPECT_NE(runSim(device.with({ "assistant", "jump" })).status, 0);
    EXPECT_NE(runSim(device.with({ "assistant", "wait" })).status, 0);
    EXPECT_NE(runSim(device.with({ "assistant", "wait", "-3" })).status, 0);
    EXPECT_NE(runSim({ "assistant", "show" }).status, 0) << "no --root";
    EXPECT_NE(runSim(device.with({ "--screen", "0x10", "assistant", "show" })).status, 0);
}

// Installing twice keeps the settings and the custom picture.
TEST(InstallCommand, IsIdempotentAndKeepsUserData)
{
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    ASSERT_EQ(runSim(device.with({ "defaults", "write", identifier, "siripic", "-int", "3" })).status, 0);
    auto custom = device.root / "var/mobile/Documents/siricustom.gif";
    { std::ofstream(custom) << "mine"; }
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    EXPECT_TRUE(std::filesystem::exists(device.root / "Library/MobileSubstrate/DynamicLibraries/zova.dylib"));
    EXPECT_TRUE(std::filesystem::exists(device.root / "Library/PreferenceBundles/zovaprefs.bundle/c.gif"));
    EXPECT_EQ(std::filesystem::file_size(custom), 4u);
    EXPECT_EQ(runSim(device.with({ "defaults", "read", identifier, "siripic" })).out, "3\n");
}

// The gif report shows the timing the overlay will use, and --frames writes every composited frame.
TEST(GifCommand, ReportsTimingOfAShippedPicture)
{
    auto result = runSim({ "gif", ZOVA_SOURCE_DIR "/zovaprefs/Resources/c.gif" });
    ASSERT_EQ(result.status, 0) << result.err;
    auto report = parsedJson(result.out);
    EXPECT_EQ(report["divisor"], 4) << result.out;
    EXPECT_EQ(report["frameListLength"], 42);
    EXPECT_EQ(report["duration"], 1.68);
    EXPECT_EQ(report["shown"], true);
    EXPECT_NE(runSim({ "gif", "/nonexistent.gif" }).status, 0);

    Device scratch;
    auto frames = scratch.root / "frames";
    ASSERT_EQ(runSim({ "gif", ZOVA_SOURCE_DIR "/zovaprefs/Resources/c.gif", "--frames", frames.string() }).status, 0);
    size_t written = 0;
    for (const auto& file : std::filesystem::directory_iterator(frames))
        written += file.path().extension() == ".png";
    EXPECT_EQ(written, 24u) << "one composited PNG per frame";
}

// A fifo, a folder or a link out of the device in the custom picture's place must leave the host
// an empty image view at once: never hang it, never show a file of this machine.
TEST(AssistantProcess, PictureThatIsNoRegularFileInsideTheDeviceShowsNothingAtOnce)
{
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    ASSERT_EQ(runSim(device.with({ "defaults", "write", identifier, "siripic", "-int", "5" })).status, 0);
    auto picture = device.root / "var/mobile/Documents/siricustom.gif";
    auto outside = device.root.string() + "-outside.gif";
    std::filesystem::copy_file(std::string(ZOVA_SOURCE_DIR) + "/zovaprefs/Resources/a.gif", outside);
    std::vector<std::function<void()>> places {
        [&] { ASSERT_EQ(::mkfifo(picture.c_str(), 0644), 0); },
        [&] { std::filesystem::create_directory(picture); },
        [&] { std::filesystem::create_symlink(outside, picture); },
    };
    for (size_t index = 0; index < places.size(); ++index) {
        places[index]();
        auto result = runSim(device.with({ "assistant", "show", "dump" }), 20);
        ASSERT_EQ(result.status, 0) << "case " << index << ": " << result.err;
        auto dump = parsedJson(result.out);
        EXPECT_EQ(countMatches(dump, { { "class", "UIImageView" } }), 1) << result.out;
        EXPECT_EQ(countMatches(dump, { { "class", "UIImageView" }, { "image", nullptr } }), 1) << "case " << index << ": " << result.out;
        std::filesystem::remove_all(picture);
    }
    std::filesystem::remove(outside);
}

// --check names the frames whose data was cut short, and a picture with no pixel to show is not
// "shown" even though every frame decodes.
TEST(GifCommand, CheckReportsCutFramesAndEmptyPictures)
{
    Device scratch;
    std::ifstream in(ZOVA_SOURCE_DIR "/zovaprefs/Resources/c.gif", std::ios::binary);
    std::string bytes { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    auto cut = scratch.root / "cut.gif";
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    auto result = runSim({ "gif", cut.string(), "--check" });
    ASSERT_EQ(result.status, 0) << result.err;
    auto report = parsedJson(result.out);
    EXPECT_FALSE(report["cutShortFrames"].empty()) << result.out;
    EXPECT_EQ(report["shown"], true);

    // One pixel, of the transparent index.
    const unsigned char clear[] = { 'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 9, 9, 9, 8, 8, 8, 0x21, 0xF9, 4, 1, 0, 0, 0, 0,
        0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B };
    auto empty = scratch.root / "empty.gif";
    std::ofstream(empty, std::ios::binary).write(reinterpret_cast<const char*>(clear), sizeof clear);
    result = runSim({ "gif", empty.string(), "--check" });
    ASSERT_EQ(result.status, 0) << result.err;
    report = parsedJson(result.out);
    EXPECT_EQ(report["cutShortFrames"], Json::array()) << result.out;
    EXPECT_EQ(report["shown"], false) << result.out;
    EXPECT_EQ(parsedJson(runSim({ "gif", empty.string() }).out)["shown"], true);
}
