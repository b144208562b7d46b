// The live phone's stream with the full-screen benchmark GIF behind the flames, the server and its
// hosts on one core: the share of the GIF's frames whose display interval the page receives a
// picture in (allowing one 60 Hz refresh for the way to the page). The GIF's own timing is the
// reference: 1.0 means every frame was seen on time.
#include "ServedPhone.hpp"
#include "SimProcess.hpp"

#include <tools/gifgen/GifGenerator.hpp>

#include <benchmark/benchmark.h>

#include <algorithm>
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
// The first frames wait for the GIF's structure to be read; a person sees the assistant appear.
constexpr double warmUpSeconds = 0.5;
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

// The arrival of each picture, in seconds after the assistant was shown.
std::vector<double> readStream(httplib::Client& http, Clock::time_point shown)
{
    std::vector<double> arrivals;
    std::string seen;
    http.Get("/stream?scale=1", [&](const char* data, size_t length) {
        seen.append(data, length);
        for (size_t at; (at = seen.find("Content-Type: image/jpeg")) != std::string::npos; seen.erase(0, at + 1))
            arrivals.push_back(std::chrono::duration<double>(Clock::now() - shown).count());
        return arrivals.empty() || arrivals.back() < streamSeconds;
    });
    return arrivals;
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

struct Share {
    size_t onTime { 0 };
    size_t frames { 0 };
};

Share onTimeShare(const std::vector<double>& arrivals)
{
    Share share;
    double start = 0;
    for (size_t frame = 0;; ++frame) {
        double end = start + gifDelays[frame % std::size(gifDelays)] / 100.0;
        if (end > streamSeconds)
            break;
        if (start >= warmUpSeconds) {
            ++share.frames;
            auto first = std::lower_bound(arrivals.begin(), arrivals.end(), start);
            if (first != arrivals.end() && *first < end + refreshSeconds)
                ++share.onTime;
        }
        start = end;
    }
    return share;
}

void BM_StreamOfTheLargeGif(benchmark::State& state)
{
    simtest::Device device;
    if (!prepareDevice(device))
        return state.SkipWithError("can't prepare the device");
    auto phone = serveOnOneCore(device);
    if (phone->port() == 0)
        return state.SkipWithError("the phone didn't start");
    auto http = phone->client();
    for (auto _ : state) {
        http->Post("/button/assistant?state=hide", "", "text/plain");
        auto shown = Clock::now();
        if (!http->Post("/button/assistant?state=show", "", "text/plain"))
            return state.SkipWithError("the assistant button didn't answer");
        double cpuBefore = phoneCPUSeconds(device.root);
        auto arrivals = readStream(*http, shown);
        double cpu = phoneCPUSeconds(device.root) - cpuBefore;
        auto share = onTimeShare(arrivals);
        state.counters["onTimeShare"] = share.frames ? static_cast<double>(share.onTime) / static_cast<double>(share.frames) : 0;
        state.counters["gifFrames"] = static_cast<double>(share.frames);
        state.counters["picturesPerSecond"] = static_cast<double>(arrivals.size()) / streamSeconds;
        // What the phone took of one core while streaming, and per picture: below 1 core at the
        // GIF's rate means one free core keeps up; above, the machine was too busy to tell.
        state.counters["coresUsed"] = cpu / streamSeconds;
        state.counters["cpuMsPerPicture"] = arrivals.empty() ? 0 : 1000 * cpu / static_cast<double>(arrivals.size());
    }
}
BENCHMARK(BM_StreamOfTheLargeGif)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}

BENCHMARK_MAIN();
