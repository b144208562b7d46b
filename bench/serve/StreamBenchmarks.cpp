// The live phone's stream with the full-screen benchmark GIF behind the flames, the server and its
// hosts pinned to one core (as under taskset -c 0; this process reads on any core): the share of
// the GIF's frames that the page receives a picture *of* within the frame's display interval
// (allowing one 60 Hz refresh for the way to the page). Each picture is decoded and matched with
// the GIF's frames, so a picture of the wrong frame counts for nothing. The GIF's own timing is
// the reference: onTimePercent 100 means every frame due was seen on time.
#include "FrameIdentifier.hpp"
#include "ServedPhone.hpp"
#include "SimProcess.hpp"

#include <tools/gifgen/GifGenerator.hpp>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <optional>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <sched.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double streamSeconds = 8;
constexpr double refreshSeconds = 1.0 / 60;
// The benchmark GIF's delays, in hundredths of a second, repeating.
constexpr int gifDelays[] = { 4, 5, 6 };

bool prepareDevice(const simtest::Device& device)
{
    if (simtest::runSim(device.with({ "install" })).status != 0)
        return false;
    auto bytes = gifgen::largeBenchmarkGif();
    std::ofstream(device.root / "var/mobile/Documents/siricustom.gif", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return simtest::runSim(device.with({ "defaults", "write", "com.velmarok.zovaprefs", "siripic", "-int", "5" })).status == 0;
}

// Starts the server pinned to one core; this process goes back to every core afterwards.
std::unique_ptr<simtest::ServedPhone> serveOnOneCore(const simtest::Device& device)
{
    cpu_set_t all, one;
    sched_getaffinity(0, sizeof all, &all);
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    }
    sched_setaffinity(0, sizeof one, &one);
    auto phone = std::make_unique<simtest::ServedPhone>(ZOVA_SIM_PATH, device.root);
    sched_setaffinity(0, sizeof all, &all);
    return phone;
}

struct Picture {
    // Seconds after the assistant was shown.
    double arrival;
    std::string jpeg;
};

// Takes the complete parts off the front of what was received so far.
void takeParts(std::string& seen, Clock::time_point shown, std::vector<Picture>& pictures)
{
    static const std::string lengthField = "Content-Length: ";
    for (;;) {
        size_t field = seen.find(lengthField);
        size_t body = seen.find("\r\n\r\n", field);
        if (field == std::string::npos || body == std::string::npos)
            return;
        size_t length = std::stoul(seen.substr(field + lengthField.size(), body - field - lengthField.size()));
        if (seen.size() < body + 4 + length)
            return;
        pictures.push_back({ std::chrono::duration<double>(Clock::now() - shown).count(), seen.substr(body + 4, length) });
        seen.erase(0, body + 4 + length);
    }
}

std::vector<Picture> readStream(httplib::Client& http, Clock::time_point shown, int64_t scale)
{
    std::vector<Picture> pictures;
    std::string seen;
    http.Get("/stream?scale=" + std::to_string(scale), [&](const char* data, size_t length) {
        seen.append(data, length);
        takeParts(seen, shown, pictures);
        return pictures.empty() || pictures.back().arrival < streamSeconds;
    });
    return pictures;
}

// CPU seconds used so far by the server and its hosts: every process whose command line names the
// device root.
double phoneCPUSeconds(const std::filesystem::path& root)
{
    double seconds = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream cmdline(entry.path() / "cmdline", std::ios::binary);
        std::string line((std::istreambuf_iterator<char>(cmdline)), {});
        if (line.find(root.string()) == std::string::npos || line.find("serve") == std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        auto close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(text.substr(close + 2));
        std::string field;
        unsigned long long user = 0, system = 0;
        for (int index = 3; fields >> field && index <= 15; ++index) {
            if (index == 14)
                user = std::stoull(field);
            if (index == 15)
                system = std::stoull(field);
        }
        seconds += static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    return seconds;
}

struct Seen {
    double arrival;
    std::optional<size_t> frame;
};

struct Share {
    size_t onTime { 0 };
    size_t due { 0 };
    // The first time through the loop, when each frame is decoded for the first time.
    size_t firstLoopOnTime { 0 };
    size_t firstLoopDue { 0 };
};

// A frame is on time when a picture of it arrives between its start and its end plus a refresh.
// Every frame from the first counts: the first picture has to decode its frame too.
Share onTimeShare(const std::vector<Seen>& seen, size_t frameCount)
{
    Share share;
    double start = 0;
    for (size_t step = 0;; ++step) {
        double end = start + gifDelays[step % std::size(gifDelays)] / 100.0;
        if (end > streamSeconds)
            break;
        bool isOnTime = std::any_of(seen.begin(), seen.end(), [&](const Seen& picture) {
            return picture.arrival >= start && picture.arrival < end + refreshSeconds && picture.frame == step % frameCount;
        });
        bool isFirstLoop = step < frameCount;
        share.due += 1;
        share.onTime += isOnTime;
        share.firstLoopDue += isFirstLoop;
        share.firstLoopOnTime += isFirstLoop && isOnTime;
        start = end;
    }
    return share;
}

double percent(size_t part, size_t whole)
{
    return whole ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0;
}

void BM_StreamOfTheLargeGif(benchmark::State& state)
{
    simtest::Device device;
    servebench::FrameIdentifier identifier;
    if (!identifier.learn(gifgen::largeBenchmarkGif()) || identifier.frameCount() != gifgen::benchmarkGifFrameCount)
        return state.SkipWithError("giflib can't read the benchmark GIF");
    if (!prepareDevice(device))
        return state.SkipWithError("can't prepare the device");
    auto phone = serveOnOneCore(device);
    if (phone->port() == 0)
        return state.SkipWithError("the phone didn't start");
    auto http = phone->client();
    for (auto _ : state) {
        http->Post("/button/assistant?state=hide", "", "text/plain");
        auto asked = Clock::now();
        if (!http->Post("/button/assistant?state=show", "", "text/plain"))
            return state.SkipWithError("the assistant button didn't answer");
        // The picture starts playing while the button is answered: its frames are timed from the
        // answer, which can only make them look late, never early.
        auto shown = Clock::now();
        double cpuBefore = phoneCPUSeconds(device.root);
        auto pictures = readStream(*http, shown, state.range(0));
        double cpu = phoneCPUSeconds(device.root) - cpuBefore;
        std::vector<Seen> seen;
        size_t unrecognised = 0;
        for (const auto& picture : pictures) {
            seen.push_back({ picture.arrival, identifier.frameOf(picture.jpeg) });
            unrecognised += !seen.back().frame;
        }
        auto share = onTimeShare(seen, identifier.frameCount());
        state.counters["framesDue"] = static_cast<double>(share.due);
        state.counters["framesOnTime"] = static_cast<double>(share.onTime);
        state.counters["onTimePercent"] = percent(share.onTime, share.due);
        state.counters["firstLoopOnTimePercent"] = percent(share.firstLoopOnTime, share.firstLoopDue);
        state.counters["picturesPerSecond"] = static_cast<double>(pictures.size()) / streamSeconds;
        state.counters["picturesOfNoFrame"] = static_cast<double>(unrecognised);
        state.counters["showMs"] = 1000 * std::chrono::duration<double>(shown - asked).count();
        // What the phone took of its core while streaming, and per picture.
        state.counters["coresUsed"] = cpu / streamSeconds;
        state.counters["cpuMsPerPicture"] = pictures.empty() ? 0 : 1000 * cpu / static_cast<double>(pictures.size());
    }
}
// At the page's two sizes: 1x, its default, and 2x.
BENCHMARK(BM_StreamOfTheLargeGif)->ArgName("scale")->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}

BENCHMARK_MAIN();
