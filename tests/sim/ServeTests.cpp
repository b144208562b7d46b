// zova-sim serve through real HTTP requests: the page's interface as a browser uses it.
#include "ServedPhone.hpp"
#include "SimProcess.hpp"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <dirent.h>
#include <fstream>
#include <thread>

using namespace simtest;
using nlohmann::json;

namespace {

// The rows of a page lie below the Settings app's bar, in window points.
constexpr double barHeight = 44;
// A push or a presentation takes 0.35 s; a person waits a little longer before the next tap.
constexpr auto transition = std::chrono::milliseconds(600);

struct LivePhone {
    LivePhone()
        : installed(runSim(device.with({ "install" })).status == 0)
        , served(ZOVA_SIM_PATH, device.root)
        , http(served.client())
    {
    }

    json state()
    {
        auto response = http->Get("/state");
        return response && response->status == 200 ? json::parse(response->body, nullptr, false) : json();
    }

    httplib::Result post(const std::string& path, const std::string& body = {}) { return http->Post(path.c_str(), body, "application/octet-stream"); }

    // Waits for the state to satisfy the condition, then for the transition under way to end.
    bool waitFor(const std::function<bool(const json&)>& condition)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            auto current = state();
            if (current.is_object() && condition(current)) {
                std::this_thread::sleep_for(transition);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    bool onPage(const std::string& title)
    {
        return waitFor([&](const json& s) { return s["dump"].value("stack", json::array()).dump().find("\"" + title + "\"") != std::string::npos; });
    }

    // Taps the middle of the page's row at that index, counting down the page from 0.
    std::string tapRow(size_t index)
    {
        auto rows = state()["dump"]["rows"];
        if (!rows.is_array() || index >= rows.size())
            return "no row " + std::to_string(index);
        auto frame = rows[index]["frame"];
        return tap(frame[0].get<double>() + frame[2].get<double>() / 2, barHeight + frame[1].get<double>() + frame[3].get<double>() / 2);
    }

    std::string tapRowLabelled(const std::string& label)
    {
        auto rows = state()["dump"]["rows"];
        for (size_t i = 0; rows.is_array() && i < rows.size(); ++i) {
            if (rows[i]["label"] == label)
                return tapRow(i);
        }
        return "no row '" + label + "'";
    }

    std::string tap(double x, double y)
    {
        auto response = post("/tap?x=" + std::to_string(x) + "&y=" + std::to_string(y));
        return response ? response->body : "no answer";
    }

    Device device;
    bool installed;
    ServedPhone served;
    std::unique_ptr<httplib::Client> http;
};

std::string gifBytes()
{
    std::ifstream file(std::string(ZOVA_SOURCE_DIR) + "/zovaprefs/Resources/c.gif", std::ios::binary);
    return { std::istreambuf_iterator<char>(file), {} };
}

// Processes whose command line names the device root: the server's hosts, if any are left.
int processesOnRoot(const std::filesystem::path& root)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream file(entry.path() / "cmdline", std::ios::binary);
        std::string line((std::istreambuf_iterator<char>(file)), {});
        if (line.find(root.string()) != std::string::npos && line.find("--host-process") != std::string::npos)
            ++count;
    }
    return count;
}

size_t streamFrames(httplib::Client& http, std::chrono::milliseconds duration)
{
    size_t frames = 0;
    std::string seen;
    auto end = std::chrono::steady_clock::now() + duration;
    http.Get("/stream", [&](const char* data, size_t length) {
        seen.append(data, length);
        for (size_t at; (at = seen.find("Content-Type: image/jpeg")) != std::string::npos; seen.erase(0, at + 1))
            ++frames;
        return std::chrono::steady_clock::now() < end;
    });
    return frames;
}

}

// Catches taps that miss their control or land on the wrong row: the picture list's third row must
// write siripic 2 into the store.
TEST(Serve, TapsThroughSettingsChooseThePicture)
{
    LivePhone phone;
    ASSERT_TRUE(phone.installed);
    ASSERT_GT(phone.served.port(), 0);
    ASSERT_TRUE(phone.post("/button/settings"));
    ASSERT_TRUE(phone.onPage("Settings"));
    EXPECT_NE(phone.tapRowLabelled("Zova").find("\"reached\":true"), std::string::npos);
    ASSERT_TRUE(phone.onPage("Zova"));
    EXPECT_NE(phone.tapRowLabelled("Picture").find("\"reached\":true"), std::string::npos);
    ASSERT_TRUE(phone.waitFor([](const json& s) { return s["dump"]["rows"].size() >= 6; }));
    EXPECT_NE(phone.tapRow(2).find("row 2"), std::string::npos);
    EXPECT_TRUE(phone.waitFor([](const json& s) { return s["store"].value("siripic", -1) == 2; })) << phone.state()["store"].dump();
    EXPECT_NE(phone.state()["sounds"].dump().find("1519"), std::string::npos);
}

// Catches the root page's link and about rows unreachable by taps, and an alert dismissed by a tap
// on its text rather than on its button.
TEST(Serve, TapsOpenTheTwitterLinkAndAnswerTheAboutAlert)
{
    LivePhone phone;
    ASSERT_TRUE(phone.installed);
    ASSERT_TRUE(phone.post("/button/settings"));
    ASSERT_TRUE(phone.onPage("Settings"));
    phone.tapRowLabelled("Zova");
    ASSERT_TRUE(phone.onPage("Zova"));
    auto rows = phone.state()["dump"]["rows"];
    ASSERT_TRUE(rows.is_array());
    EXPECT_NE(phone.tapRow(rows.size() - 2).find("\"reached\":true"), std::string::npos);
    EXPECT_TRUE(phone.waitFor([](const json& s) { return s["openedURLs"].dump().find("twitter.com/velmarok") != std::string::npos; }));
    phone.tapRow(rows.size() - 1);
    ASSERT_TRUE(phone.waitFor([](const json& s) { return s["dump"]["presented"].dump().find("Thank You") != std::string::npos; }));
    EXPECT_NE(phone.tap(195, 300).find("\"reached\":false"), std::string::npos);
    EXPECT_NE(phone.tap(195, 531).find("Thank You"), std::string::npos);
    EXPECT_TRUE(phone.waitFor([](const json& s) { return s["dump"]["presented"].is_null(); }));
}

// Catches a tap anywhere on the dimmed screen below an alert's panel running its action: only the
// button answers, and not to a finger that slides off it before lifting.
TEST(Serve, OnlyTheAlertsButtonAnswersIt)
{
    LivePhone phone;
    ASSERT_TRUE(phone.installed);
    EXPECT_NE(phone.tap(300, 600).find("\"reached\":false"), std::string::npos) << "the wallpaper opens nothing";
    EXPECT_NE(phone.tap(55, 100).find("open settings"), std::string::npos) << "the Settings icon";
    ASSERT_TRUE(phone.onPage("Settings"));
    phone.tapRowLabelled("Zova");
    ASSERT_TRUE(phone.onPage("Zova"));
    phone.tapRowLabelled("About Zova");
    auto isAlertUp = [](const json& s) { return s["dump"]["presented"].dump().find("Thank You") != std::string::npos; };
    ASSERT_TRUE(phone.waitFor(isAlertUp));
    EXPECT_NE(phone.tap(195, 800).find("\"reached\":false"), std::string::npos);
    EXPECT_NE(phone.tap(30, 531).find("\"reached\":false"), std::string::npos) << "beside the panel";
    ASSERT_TRUE(phone.post("/drag?x=195&y=531&dx=0&dy=250"));
    std::this_thread::sleep_for(transition);
    EXPECT_TRUE(isAlertUp(phone.state())) << phone.state()["dump"]["presented"].dump();
    EXPECT_NE(phone.tap(195, 531).find("alert action 'Thank You'"), std::string::npos);
    EXPECT_TRUE(phone.waitFor([](const json& s) { return s["dump"]["presented"].is_null(); }));
}

// Catches a drag that scrolls a page past its content, or a finger's small slip that isn't a tap.
TEST(Serve, DragsScrollWithinTheContentAndSmallOnesTap)
{
    LivePhone phone;
    ASSERT_TRUE(phone.installed);
    ASSERT_TRUE(phone.post("/button/settings"));
    ASSERT_TRUE(phone.onPage("Settings"));
    auto scrolled = phone.post("/drag?x=200&y=600&dx=0&dy=-300");
    ASSERT_TRUE(scrolled);
    EXPECT_NE(scrolled->body.find("scrolled to 0"), std::string::npos) << "a short list doesn't scroll: " << scrolled->body;
    auto slipped = phone.post("/drag?x=100&y=100&dx=3&dy=4");
    ASSERT_TRUE(slipped);
    EXPECT_NE(slipped->body.find("row 0"), std::string::npos) << slipped->body;
    EXPECT_TRUE(phone.onPage("Zova"));
}

// Catches an upload that escapes the photo library through its name, or that the picker never sees;
// and a library file whose name is not UTF-8 costing the page the whole state.
TEST(Serve, UploadedPhotoLandsInTheLibraryAndThePicker)
{
    LivePhone phone;
    ASSERT_TRUE(phone.installed);
    auto response = phone.post("/photos?name=..%2F..%2F..%2Fetc%2Fsunset.gif", gifBytes());
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 201) << response->body;
    EXPECT_NE(response->body.find("/var/mobile/Media/DCIM/sunset.gif"), std::string::npos) << response->body;
    EXPECT_TRUE(std::filesystem::exists(phone.device.root / "var/mobile/Media/DCIM/sunset.gif"));
    EXPECT_FALSE(std::filesystem::exists(phone.device.root / "etc"));
    std::ofstream(phone.device.root / "var/mobile/Media/DCIM/bad\xffname.gif", std::ios::binary) << gifBytes();

    ASSERT_TRUE(phone.post("/button/settings"));
    ASSERT_TRUE(phone.onPage("Settings"));
    phone.tapRowLabelled("Zova");
    ASSERT_TRUE(phone.onPage("Zova"));
    phone.tapRowLabelled("Picture");
    ASSERT_TRUE(phone.waitFor([](const json& s) { return s["dump"]["rows"].size() >= 6; }));
    phone.tapRow(5);
    ASSERT_TRUE(phone.waitFor([](const json& s) { return s["dump"]["tableViews"].dump().find("Choose your picture") != std::string::npos; }));
    auto button = phone.state()["dump"]["tableViews"][0]["frame"];
    phone.tap(button[0].get<double>() + button[2].get<double>() / 2, barHeight + button[1].get<double>() + button[3].get<double>() / 2);
    EXPECT_TRUE(phone.waitFor([](const json& s) { return s["dump"]["presented"].dump().find("sunset.gif") != std::string::npos; }))
        << phone.state()["dump"]["presented"].dump();
    EXPECT_EQ(phone.state()["dump"]["presented"]["picker"][0], "bad\xef\xbf\xbdname.gif");
}

// Catches an assistant button that doesn't toggle, or a screen that doesn't follow it.
TEST(Serve, AssistantButtonShowsAndHidesTheAssistant)
{
    LivePhone phone;
    ASSERT_TRUE(phone.installed);
    auto shown = phone.post("/button/assistant");
    ASSERT_TRUE(shown);
    EXPECT_NE(shown->body.find("assistant"), std::string::npos);
    auto state = phone.state();
    EXPECT_EQ(state["front"], "assistant");
    EXPECT_NE(state["dump"].dump().find("SUICFlamesView"), std::string::npos);
    EXPECT_GT(streamFrames(*phone.http, std::chrono::milliseconds(1000)), 5u) << "the flames move: frames keep coming";
    auto hidden = phone.post("/button/assistant");
    ASSERT_TRUE(hidden);
    EXPECT_EQ(phone.state()["front"], "home");
    auto picture = phone.http->Get("/screen.png?scale=2");
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->get_header_value("Content-Type"), "image/png");
    EXPECT_EQ(picture->body.substr(1, 3), "PNG");
}

// Catches a still screen that is streamed over and over instead of once.
TEST(Serve, StreamSendsAStillScreenOnce)
{
    LivePhone phone;
    ASSERT_GT(phone.served.port(), 0);
    // Nothing more arrives: the read gives up after a second and a half.
    phone.http->set_read_timeout(1, 500000);
    EXPECT_EQ(streamFrames(*phone.http, std::chrono::milliseconds(1200)), 1u);
}

// Catches bad requests answered as if they were fine, or with a page instead of a reason.
TEST(Serve, BadRequestsGetAReason)
{
    LivePhone phone;
    ASSERT_GT(phone.served.port(), 0);
    auto expect = [&](httplib::Result result, int status, const std::string& reason) {
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, status) << result->body;
        EXPECT_NE(result->body.find(reason), std::string::npos) << result->body;
        EXPECT_EQ(result->body.find('\n'), result->body.size() - 1) << "one line";
    };
    expect(phone.http->Get("/nothing"), 404, "no such page");
    expect(phone.http->Get("/../../etc/passwd"), 404, "");
    expect(phone.http->Get("/screen.png?scale=9"), 400, "scale");
    expect(phone.post("/tap?x=abc&y=3"), 400, "x must be a number");
    expect(phone.post("/tap?x=10"), 400, "missing y");
    expect(phone.post("/tap?x=10&y=5000"), 400, "y must be a number");
    expect(phone.post("/drag?x=10&y=10&dx=nan&dy=0"), 400, "dx");
    expect(phone.post("/button/power"), 404, "no button");
    expect(phone.post("/button/assistant?state=maybe"), 400, "state");
    expect(phone.post("/photos?name=a.gif"), 400, "empty");
    expect(phone.post("/photos?name=big.gif", std::string((64u << 20) + 1, 'x')), 413, "64 MiB");
    expect(phone.http->Get("/nothing%0Aelse"), 404, "no such page");
    expect(phone.http->Post("/button/home", httplib::Headers { { "Origin", "http://elsewhere.example" } }, "", "text/plain"), 403, "only the phone's own page");
    expect(phone.http->Get("/state", httplib::Headers { { "Host", "rebound.example:" + std::to_string(phone.served.port()) } }), 403, "only");
    EXPECT_FALSE(std::filesystem::exists(phone.device.root / "var/mobile/Media/DCIM/big.gif"));
}

// Catches host processes left running after the server is told to stop.
TEST(Serve, StoppingLeavesNoHostProcessBehind)
{
    LivePhone phone;
    ASSERT_GT(phone.served.port(), 0);
    EXPECT_EQ(processesOnRoot(phone.device.root), 2);
    EXPECT_EQ(phone.served.stop(), 0);
    for (int attempt = 0; attempt < 50 && processesOnRoot(phone.device.root) > 0; ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(processesOnRoot(phone.device.root), 0);
}
