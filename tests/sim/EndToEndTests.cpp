// Two processes of one device: the Settings app changes the settings and imports a GIF while an
// assistant host runs; each next placement of the host shows the change, without a restart.
#include "JsonOutput.hpp"
#include "SimProcess.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <sstream>
#include <thread>

using namespace simtest;

// The whole road of a settings change and of an import, from a tap to the next placement.
TEST(EndToEnd, SettingsChangesReachARunningAssistant)
{
    using namespace std::chrono_literals;
    Device device;
    ASSERT_EQ(runSim(device.with({ "install" })).status, 0);
    std::filesystem::create_directories(device.root / "var/mobile/Media/DCIM");
    std::filesystem::copy_file(ZOVA_SOURCE_DIR "/zovaprefs/Resources/h.gif", device.root / "var/mobile/Media/DCIM/IMG_0001.gif");

    auto start = std::chrono::steady_clock::now();
    auto assistant = std::async(std::launch::async, [&] {
        return runSim(device.with({ "assistant", "show", "dump", "wait", "9", "show", "dump", "wait", "10", "show", "dump" }));
    });

    // Each Settings run fits well inside one of the host's waits, also on a loaded machine.
    std::this_thread::sleep_until(start + 1s);
    auto opacityAndPicture = runSim(device.with({ "settings", "open", "Zova", "tap", "Full opacity", "tap", "Picture", "row", "2" }));
    EXPECT_EQ(opacityAndPicture.status, 0) << opacityAndPicture.err;

    std::this_thread::sleep_until(start + 10s);
    auto import = runSim(device.with({ "settings", "open", "Zova", "tap", "Picture", "row", "5", "tap", "Choose your picture",
        "pick", "IMG_0001.gif", "wait", "1.5" }));
    EXPECT_EQ(import.status, 0) << import.err;

    auto result = assistant.get();
    ASSERT_EQ(result.status, 0) << result.err;
    auto dumps = jsonLines(result.out);
    ASSERT_EQ(dumps.size(), 3u) << result.out;

    // At the defaults: picture 0, full screen, fully opaque.
    EXPECT_TRUE(containsMatch(dumps[0], { { "class", "UIImageView" }, { "frame", { 0, 0, 390, 844 } }, { "alpha", 1 } })) << dumps[0];
    // Opacity off and picture 2: the 500-point container at half opacity.
    EXPECT_TRUE(containsMatch(dumps[1], { { "class", "UIView" }, { "frame", { -55, 172, 500, 500 } } })) << dumps[1];
    EXPECT_TRUE(containsMatch(dumps[1], { { "class", "UIImageView" }, { "frame", { 0, 0, 500, 500 } }, { "alpha", 0.5 } })) << dumps[1];
    // The imported GIF, full screen: its canvas and its frame list.
    Json image { { "size", { 195, 422 } }, { "frames", 90 }, { "distinctFrames", 20 } };
    EXPECT_TRUE(containsMatch(dumps[2], { { "image", image } })) << dumps[2];
}
