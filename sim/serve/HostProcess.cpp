#include "HostProcess.hpp"

#include <AssistantHost.hpp>
#include <FrameEncoder.hpp>
#include <HomeScreen.hpp>
#include <Json.hpp>
#include <PictureTiming.hpp>
#include <ScaledPictureCache.hpp>
#include <ScreenTouches.hpp>
#include <SettingsHost.hpp>
#include <ViewDump.hpp>

#include <cephei/HBPreferences.hpp>
#include <foundation/NSRunLoop.hpp>
#include <render/Renderer.hpp>

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace sim {

namespace {

constexpr const char* storeIdentifier = "com.velmarok.zovaprefs";
constexpr int jpegQuality = 80;
// The frames of the picture behind the flames, scaled to the page: a full-screen loop of 60 frames
// at 1x fits.
constexpr size_t scaledPictureBudget = 96u << 20;
// The frames prepared ahead are those a moment after the change, safely past its boundary.
constexpr double aheadMargin = 0.001;

struct Reply {
    std::string status { "ok" };
    std::vector<uint8_t> bytes;
    uint64_t generation { 0 };
    long nextChange { -1 };

    static Reply text(const std::string& status, const std::string& text) { return { status, { text.begin(), text.end() }, 0, -1 }; }
};

// The latest picture sent of one window at one scale, so that an unchanged screen costs no encoding
// and sends nothing.
struct Feed {
    std::shared_ptr<RGBAPixels> pixels;
    std::vector<uint8_t> jpeg;
    uint64_t generation { 0 };
};

bool writeAll(int fd, const void* data, size_t size)
{
    auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t written = ::send(fd, bytes, size, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

std::optional<double> number(const std::vector<std::string>& words, size_t index)
{
    if (index >= words.size())
        return std::nullopt;
    char* end = nullptr;
    double value = std::strtod(words[index].c_str(), &end);
    if (*end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

class HostProcess {
public:
    explicit HostProcess(const std::string& role)
        : m_isSettings(role == settingsRole)
    {
        if (m_isSettings) {
            m_settings = std::make_unique<SettingsHost>();
            m_store = HBPreferences::initWithIdentifier(storeIdentifier);
        } else {
            m_assistant = std::make_unique<AssistantHost>(FlamesClass::Registered);
            m_home = std::make_unique<HomeScreen>();
        }
    }

    int run()
    {
        auto loop = NSRunLoop::mainRunLoop();
        m_source = loop->addFileDescriptorSource(hostSocketDescriptor, [this] { readRequests(); });
        if (!m_source)
            return 1;
        loop->run();
        return 0;
    }

private:
    void readRequests()
    {
        char chunk[4096];
        ssize_t count = ::recv(hostSocketDescriptor, chunk, sizeof chunk, MSG_DONTWAIT);
        if (count < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (count <= 0)
            return stop();
        m_pending.append(chunk, static_cast<size_t>(count));
        for (size_t end; (end = m_pending.find('\n')) != std::string::npos;) {
            std::string line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            if (!send(handleSafely(line)))
                return stop();
            if (m_pending.find('\n') == std::string::npos)
                prepareAhead();
        }
        if (m_pending.size() > maximumRequestLine)
            stop();
    }

    // Between pictures, while the page waits: the frames that the next change of the picture brings
    // are scaled now, so that the picture asked for then is only drawn and encoded.
    void prepareAhead()
    {
        if (!m_ahead)
            return;
        auto ahead = *std::exchange(m_ahead, std::nullopt);
        try {
            for (const auto& picture : picturesAhead(*ahead.window, ahead.seconds, ahead.scale))
                m_scaledPictures.renditionOf(picture.image, picture.width, picture.height);
        } catch (const std::exception&) {
            // Only a head start: the picture is drawn as usual when it is asked for.
        }
    }

    void stop()
    {
        NSRunLoop::mainRunLoop()->removeSource(m_source);
        NSRunLoop::mainRunLoop()->stop();
    }

    bool send(const Reply& reply)
    {
        std::string header = reply.status + " " + std::to_string(reply.bytes.size()) + " " + std::to_string(reply.generation) + " "
            + std::to_string(reply.nextChange) + "\n";
        return writeAll(hostSocketDescriptor, header.data(), header.size()) && writeAll(hostSocketDescriptor, reply.bytes.data(), reply.bytes.size());
    }

    // Nothing a request does may take the process down with it.
    Reply handleSafely(const std::string& line)
    {
        try {
            return handle(line);
        } catch (const std::exception& exception) {
            return Reply::text("error", std::string("the host failed: ") + exception.what());
        }
    }

    Reply handle(const std::string& line)
    {
        std::istringstream stream(line);
        std::vector<std::string> words;
        for (std::string word; stream >> word;)
            words.push_back(word);
        if (words.empty())
            return Reply::text("error", "empty request");
        const auto& verb = words[0];
        if (verb == "frame" || verb == "png")
            return picture(words);
        if (verb == "tap" || verb == "drag")
            return touch(words);
        if (verb == "show" || verb == "hide")
            return assistant(verb == "show");
        if (verb == "state")
            return state(words);
        return Reply::text("error", "unknown request '" + verb + "'");
    }

    const UIView* windowNamed(const std::string& name) const
    {
        if (m_settings)
            return name == "app" ? &m_settings->window() : nullptr;
        if (name == "home")
            return &m_home->window();
        return name == "assistant" ? &m_assistant->window() : nullptr;
    }

    Reply picture(const std::vector<std::string>& words)
    {
        const UIView* window = words.size() > 1 ? windowNamed(words[1]) : nullptr;
        auto scale = number(words, 2);
        if (!window || !scale || *scale <= 0 || *scale > 3)
            return Reply::text("error", "usage: frame|png WINDOW SCALE [GENERATION]");
        // Measured before drawing: a frame that changes while the picture is drawn is still due.
        auto next = secondsToNextPictureChange(*window);
        Render::RenderOptions options;
        options.isOpaque = true;
        options.scale = *scale;
        options.renditions = &m_scaledPictures;
        auto pixels = Render::renderView(*window, options);
        if (!pixels)
            return Reply::text("error", "the screen could not be drawn");
        std::string error;
        if (words[0] == "png") {
            auto png = encodePNG(*pixels, error);
            return png.empty() ? Reply::text("error", error) : Reply { "ok", std::move(png), 0, -1 };
        }
        auto& feed = m_feeds[words[1] + "@" + words[2]];
        if (!feed.pixels || feed.pixels->bytes != pixels->bytes) {
            auto jpeg = encodeJPEG(*pixels, jpegQuality, error);
            if (jpeg.empty())
                return Reply::text("error", error);
            feed = { pixels, std::move(jpeg), feed.generation + 1 };
        }
        long nextChange = next ? std::lround(*next * 1e6) : -1;
        if (next)
            m_ahead = Ahead { window, *next + aheadMargin, *scale };
        m_streamScale = *scale;
        auto since = number(words, 3).value_or(0);
        if (since == static_cast<double>(feed.generation))
            return { "same", {}, feed.generation, nextChange };
        return { "ok", feed.jpeg, feed.generation, nextChange };
    }

    Reply touch(const std::vector<std::string>& words)
    {
        bool isDrag = words[0] == "drag";
        auto x = number(words, 1), y = number(words, 2), dx = number(words, 3), dy = number(words, 4);
        if (!x || !y || (isDrag && (!dx || !dy)))
            return Reply::text("error", "usage: tap X Y | drag X Y DX DY");
        // The window in front of this process: the Settings app's, or SpringBoard's home screen
        // (the server sends no touches while the assistant is in front).
        UIWindow& window = m_settings ? m_settings->window() : m_home->window();
        CGPoint point { *x, *y };
        auto [didReach, outcome] = isDrag ? dragScreen(window, point, { *dx, *dy }) : tapScreen(window, point);
        if (m_home && m_home->takeSettingsOpened())
            outcome = "open settings";
        nlohmann::json result { { "reached", didReach }, { "outcome", outcome } };
        return Reply::text("ok", dumpJson(result));
    }

    Reply assistant(bool isShown)
    {
        if (!m_assistant)
            return Reply::text("error", "this process doesn't show the assistant");
        if (isShown) {
            m_assistant->show();
            // Its picture's first frame is scaled for the page right away, not when the page asks.
            m_ahead = Ahead { &m_assistant->window(), aheadMargin, m_streamScale };
        } else {
            m_assistant->hide();
        }
        return Reply::text("ok", isShown ? "shown" : "hidden");
    }

    Reply state(const std::vector<std::string>& words)
    {
        // Built as values, not parsed back from text: a store string or label that is not UTF-8
        // would make a parse throw, and the whole state go missing.
        Json result;
        if (m_settings) {
            result["store"] = jsonOfPropertyList(PlistValue(m_store->dictionaryRepresentation()));
            result["dump"] = m_settings->dump();
        } else {
            bool isHome = words.size() > 1 && words[1] == "home";
            result["dump"] = isHome ? dumpViewTree(m_home->window()) : m_assistant->dump();
        }
        return Reply::text("ok", dumpJson(result));
    }

    bool m_isSettings;
    std::unique_ptr<SettingsHost> m_settings;
    std::shared_ptr<HBPreferences> m_store;
    std::unique_ptr<AssistantHost> m_assistant;
    std::unique_ptr<HomeScreen> m_home;
    std::map<std::string, Feed> m_feeds;
    ScaledPictureCache m_scaledPictures { scaledPictureBudget };
    struct Ahead {
        const UIView* window;
        double seconds;
        double scale;
    };
    // The window and moment of the next change of its picture, after a frame was sent.
    std::optional<Ahead> m_ahead;
    // The scale the page last streamed at; its default until it asks.
    double m_streamScale { 1 };
    std::string m_pending;
    NSRunLoop::SourceID m_source { 0 };
};

}

int runHostProcess(const std::string& role)
{
    if (role != settingsRole && role != springBoardRole) {
        std::fprintf(stderr, "zova-sim: unknown host process '%s'\n", role.c_str());
        return 2;
    }
    HostProcess host(role);
    NSRunLoop::mainRunLoop()->runForTimeInterval(0);
    return host.run();
}

}
