#include "PhoneServer.hpp"
#include "HostProcess.hpp"
#include "Page.hpp"

#include <sim/PhotoLibrary.hpp>

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <thread>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;
// The stream asks for a picture at the display's rate; an unchanged screen sends nothing, and one
// that has stayed still for a while is looked at less often.
constexpr auto frameInterval = std::chrono::microseconds(1000000 / 60);
constexpr auto stillInterval = std::chrono::milliseconds(50);
constexpr int stillFramesBeforeSlowing = 60;
constexpr auto stillResendInterval = std::chrono::seconds(10);
constexpr auto pictureChangeMargin = std::chrono::milliseconds(2);
constexpr const char* boundary = "zovaframe";
constexpr double maximumDrag = 4096;

void refuse(httplib::Response& response, int status, const std::string& reason)
{
    response.status = status;
    response.set_content(reason + "\n", "text/plain; charset=utf-8");
}

// A path as the reason may quote it: one short line of plain characters.
std::string quotedPath(const std::string& path)
{
    std::string quoted;
    for (char c : path.substr(0, 200))
        quoted += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    return quoted;
}

std::string dumpJson(const nlohmann::json& json)
{
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// A finite number in [minimum, maximum], the whole parameter and nothing else.
std::optional<double> numberParameter(const httplib::Request& request, const char* name, double minimum, double maximum, std::string& error)
{
    std::string range = std::to_string(static_cast<long>(minimum)) + " to " + std::to_string(static_cast<long>(maximum));
    if (!request.has_param(name)) {
        error = std::string("missing ") + name + " (a number from " + range + ")";
        return std::nullopt;
    }
    std::string text = request.get_param_value(name);
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end || !std::isfinite(value) || value < minimum || value > maximum) {
        error = std::string(name) + " must be a number from " + range;
        return std::nullopt;
    }
    return value;
}

// The scale parameter of the pictures: 1, 2 or 3 (default 1).
std::optional<int> scaleParameter(const httplib::Request& request, std::string& error)
{
    if (!request.has_param("scale"))
        return 1;
    std::string text = request.get_param_value("scale");
    if (text != "1" && text != "2" && text != "3") {
        error = "scale must be 1, 2 or 3";
        return std::nullopt;
    }
    return text[0] - '0';
}

std::string frameRequest(const std::string& window, int scale, uint64_t since)
{
    return "frame " + window + " " + std::to_string(scale) + " " + std::to_string(since);
}

}

PhoneServer::PhoneServer(const std::vector<std::string>& globalArguments, CGSize screen)
    : m_screen(screen)
    , m_settings(settingsRole, globalArguments)
    , m_springBoard(springBoardRole, globalArguments)
    , m_server(std::make_unique<httplib::Server>())
{
    m_server->set_payload_max_length(maximumUploadBytes);
    addRoutes();
}

PhoneServer::~PhoneServer()
{
    stop();
    m_settings.stop();
    m_springBoard.stop();
}

bool PhoneServer::hostsAnswer()
{
    return m_settings.isRunning() && m_springBoard.isRunning() && m_settings.request("state").isOK() && m_springBoard.request("state home").isOK();
}

int PhoneServer::bind(int port)
{
    if (port == 0)
        port = m_server->bind_to_any_port("127.0.0.1");
    else if (!m_server->bind_to_port("127.0.0.1", port))
        port = -1;
    m_port = port;
    return port;
}

// Only this machine's browser, on this page: a request naming another host (a name rebound to
// 127.0.0.1) or sent by another site's page is refused, so no web page can drive the phone.
bool PhoneServer::isFromThePage(const httplib::Request& request) const
{
    std::string port = std::to_string(m_port);
    auto isOurs = [&](const std::string& host) { return host == "127.0.0.1:" + port || host == "localhost:" + port; };
    if (!isOurs(request.get_header_value("Host")))
        return false;
    std::string origin = request.get_header_value("Origin");
    return !request.has_header("Origin") || (origin.rfind("http://", 0) == 0 && isOurs(origin.substr(7)));
}

bool PhoneServer::listen()
{
    return m_server->listen_after_bind();
}

void PhoneServer::stop()
{
    m_isStopping = true;
    m_server->stop();
}

void PhoneServer::addRoutes()
{
    using httplib::Request, httplib::Response;
    m_server->Get("/", [](const Request&, Response& response) { response.set_content(pageHTML(), "text/html; charset=utf-8"); });
    m_server->Get("/screen.png", [this](const Request& q, Response& r) { screenPicture(q, r); });
    m_server->Get("/stream", [this](const Request& q, Response& r) { stream(q, r); });
    m_server->Get("/state", [this](const Request& q, Response& r) { state(q, r); });
    m_server->Post("/tap", [this](const Request& q, Response& r) { touch(q, r, false); });
    m_server->Post("/drag", [this](const Request& q, Response& r) { touch(q, r, true); });
    m_server->Post(R"(/button/([a-z]+))", [this](const Request& q, Response& r) { button(q, r); });
    m_server->Post("/photos", [this](const Request& q, Response& r) { addPhoto(q, r); });
    m_server->set_pre_routing_handler([this](const Request& request, Response& response) {
        if (isFromThePage(request))
            return httplib::Server::HandlerResponse::Unhandled;
        refuse(response, 403, "only the phone's own page, on 127.0.0.1:" + std::to_string(m_port) + ", may use it");
        return httplib::Server::HandlerResponse::Handled;
    });
    // Everything else: a one-line reason, never a file.
    m_server->set_error_handler([](const Request& request, Response& response) {
        if (!response.body.empty())
            return;
        if (response.status == 404)
            refuse(response, 404, "no such page: " + quotedPath(request.method + " " + request.path));
        else if (response.status == 413)
            refuse(response, 413, "the upload is larger than 64 MiB");
        else
            refuse(response, response.status, "bad request (a POST needs a Content-Length)");
    });
    m_server->set_exception_handler([](const Request&, Response& response, std::exception_ptr) {
        refuse(response, 500, "the server failed on this request");
    });
}

PhoneServer::Screen PhoneServer::frontScreen()
{
    std::lock_guard guard(m_lock);
    if (m_isAssistantShown)
        return { &m_springBoard, "assistant", "springboard/assistant" };
    if (m_front == App::Home)
        return { &m_springBoard, "home", "springboard/home" };
    return { &m_settings, "app", "settings/app" };
}

void PhoneServer::screenPicture(const httplib::Request& request, httplib::Response& response)
{
    std::string error;
    auto scale = scaleParameter(request, error);
    if (!scale)
        return refuse(response, 400, error);
    auto screen = frontScreen();
    auto reply = screen.host->request("png " + screen.window + " " + std::to_string(*scale));
    if (!reply.isOK())
        return refuse(response, 503, reply.bytes.empty() ? "the phone is not answering" : reply.text());
    response.set_header("Cache-Control", "no-store");
    response.set_content(reinterpret_cast<const char*>(reply.bytes.data()), reply.bytes.size(), "image/png");
}

void PhoneServer::stream(const httplib::Request& request, httplib::Response& response)
{
    std::string error;
    auto scale = scaleParameter(request, error);
    if (!scale)
        return refuse(response, 400, error);
    if (++m_streams > maximumStreams) {
        --m_streams;
        return refuse(response, 503, "too many streams are open");
    }
    struct Progress {
        std::string key;
        uint64_t generation { 0 };
        Clock::time_point due { Clock::now() };
        int stillFrames { 0 };
        Clock::time_point lastSent { Clock::now() };
        bool didOpen { false };
        // How long the latest pictures took to come, smoothed.
        Clock::duration pictureTime { 0 };
    };
    // At the display's rate while pictures take less than half a refresh, and just after each
    // change of the animated picture on screen when that comes sooner; otherwise only just after
    // each change, so that the flames' in-between pictures don't take the time that the picture's
    // next frame needs. Never before now: a stream that fell behind asks for the newest picture
    // rather than catching up on old ones.
    auto nextDue = [](const Progress& progress, const HostReply& reply, Clock::time_point asked) {
        auto now = Clock::now();
        auto change = asked + std::chrono::microseconds(std::max(0LL, reply.nextChange)) + pictureChangeMargin;
        if (reply.nextChange >= 0 && (now - asked > frameInterval || progress.pictureTime > frameInterval / 2))
            return std::max(now, change);
        auto interval = progress.stillFrames > stillFramesBeforeSlowing ? Clock::duration(stillInterval) : Clock::duration(frameInterval);
        auto due = progress.due + interval;
        if (reply.nextChange >= 0 && change < due)
            due = change;
        return std::max(now, due);
    };
    auto progress = std::make_shared<Progress>();
    response.set_header("Cache-Control", "no-store");
    response.set_chunked_content_provider(std::string("multipart/x-mixed-replace; boundary=") + boundary,
        [this, progress, nextDue, scale = *scale](size_t, httplib::DataSink& sink) {
            if (!progress->didOpen) {
                progress->didOpen = true;
                std::string opening = std::string("--") + boundary + "\r\n";
                if (!sink.write(opening.data(), opening.size()))
                    return false;
            }
            std::this_thread::sleep_until(progress->due);
            if (m_isStopping || !sink.is_writable())
                return false;
            auto screen = frontScreen();
            if (screen.key != progress->key)
                *progress = { screen.key, 0, progress->due, 0, progress->lastSent, true };
            auto asked = Clock::now();
            // A page that went away shows only when a write fails: a still screen is sent again now
            // and then, so that its stream doesn't hold a slot and a thread for ever.
            if (asked - progress->lastSent > stillResendInterval)
                progress->generation = 0;
            auto reply = screen.host->request(frameRequest(screen.window, scale, progress->generation));
            progress->pictureTime = (3 * progress->pictureTime + (Clock::now() - asked)) / 4;
            progress->stillFrames = reply.isOK() ? 0 : progress->stillFrames + 1;
            progress->due = nextDue(*progress, reply, asked);
            if (reply.status == "error")
                progress->due = Clock::now() + std::chrono::milliseconds(500);
            if (!reply.isOK())
                return true;
            progress->generation = reply.generation;
            progress->lastSent = Clock::now();
            // The boundary follows each picture at once: a browser shows a part when its end is seen.
            std::string head = "Content-Type: image/jpeg\r\nContent-Length: " + std::to_string(reply.bytes.size()) + "\r\n\r\n";
            std::string tail = std::string("\r\n--") + boundary + "\r\n";
            return sink.write(head.data(), head.size()) && sink.write(reinterpret_cast<const char*>(reply.bytes.data()), reply.bytes.size())
                && sink.write(tail.data(), tail.size());
        },
        [this](bool) { --m_streams; });
}

void PhoneServer::touch(const httplib::Request& request, httplib::Response& response, bool isDrag)
{
    std::string error;
    auto x = numberParameter(request, "x", 0, m_screen.width, error);
    auto y = x ? numberParameter(request, "y", 0, m_screen.height, error) : std::nullopt;
    auto dx = y && isDrag ? numberParameter(request, "dx", -maximumDrag, maximumDrag, error) : std::optional<double>(0);
    auto dy = dx && isDrag ? numberParameter(request, "dy", -maximumDrag, maximumDrag, error) : std::optional<double>(0);
    if (!x || !y || !dx || !dy)
        return refuse(response, 400, error);
    auto screen = frontScreen();
    if (screen.window == "assistant") {
        response.set_content(dumpJson({ { "reached", false }, { "outcome", "the assistant is in front" } }), "application/json");
        return;
    }
    std::string line = (isDrag ? "drag " : "tap ") + std::to_string(*x) + " " + std::to_string(*y);
    if (isDrag)
        line += " " + std::to_string(*dx) + " " + std::to_string(*dy);
    auto reply = screen.host->request(line);
    if (!reply.isOK())
        return refuse(response, 503, reply.bytes.empty() ? "the phone is not answering" : reply.text());
    // The home screen's one icon opens the Settings app.
    if (screen.window == "home" && reply.text().find("open settings") != std::string::npos) {
        std::lock_guard guard(m_lock);
        m_front = App::Settings;
    }
    response.set_content(reply.text(), "application/json");
}

bool PhoneServer::setAssistantShown(bool isShown, std::string& error)
{
    auto reply = m_springBoard.request(isShown ? "show" : "hide");
    if (!reply.isOK()) {
        error = reply.bytes.empty() ? "the phone is not answering" : reply.text();
        return false;
    }
    m_isAssistantShown = isShown;
    return true;
}

void PhoneServer::button(const httplib::Request& request, httplib::Response& response)
{
    std::string name = request.matches[1];
    std::lock_guard guard(m_lock);
    std::string error;
    if (name == "home" || name == "settings") {
        // A button press over the assistant puts it away first, as on the phone.
        if (m_isAssistantShown && !setAssistantShown(false, error))
            return refuse(response, 503, error);
        m_front = name == "home" ? App::Home : App::Settings;
    } else if (name == "assistant") {
        bool isShown = !m_isAssistantShown;
        if (request.has_param("state")) {
            std::string wanted = request.get_param_value("state");
            if (wanted != "show" && wanted != "hide")
                return refuse(response, 400, "state must be show or hide");
            isShown = wanted == "show";
        }
        if (isShown != m_isAssistantShown && !setAssistantShown(isShown, error))
            return refuse(response, 503, error);
    } else {
        return refuse(response, 404, "no button '" + name + "' (buttons: home, settings, assistant)");
    }
    response.set_content(dumpJson({ { "front", m_isAssistantShown ? "assistant" : (m_front == App::Home ? "home" : "settings") } }), "application/json");
}

void PhoneServer::addPhoto(const httplib::Request& request, httplib::Response& response)
{
    if (request.body.empty())
        return refuse(response, 400, "the body is empty: send the picture's bytes");
    if (request.is_multipart_form_data())
        return refuse(response, 400, "send the picture's bytes as the body, not a form");
    std::string name = request.has_param("name") ? request.get_param_value("name") : "photo";
    std::filesystem::path library;
    std::string error;
    if (!makePhotoLibrary(library, error))
        return refuse(response, 500, error);
    auto devicePath = addPhotoBytes(std::vector<uint8_t>(request.body.begin(), request.body.end()), name, library, error);
    if (devicePath.empty())
        return refuse(response, 500, error);
    response.status = 201;
    response.set_content(dumpJson({ { "path", devicePath } }), "application/json");
}

void PhoneServer::state(const httplib::Request&, httplib::Response& response)
{
    auto screen = frontScreen();
    auto settings = m_settings.request("state");
    if (!settings.isOK())
        return refuse(response, 503, "the Settings app is not answering");
    auto settingsState = nlohmann::json::parse(settings.text(), nullptr, false);
    nlohmann::json result;
    result["front"] = screen.window == "app" ? "settings" : screen.window;
    result["screen"] = { { "width", m_screen.width }, { "height", m_screen.height } };
    result["store"] = settingsState.value("store", nlohmann::json::object());
    auto settingsDump = settingsState.value("dump", nlohmann::json::object());
    result["sounds"] = settingsDump.value("sounds", nlohmann::json::array());
    result["openedURLs"] = settingsDump.value("openedURLs", nlohmann::json::array());
    if (screen.window == "app") {
        result["dump"] = settingsDump;
    } else {
        auto front = nlohmann::json::parse(m_springBoard.request("state " + screen.window).text(), nullptr, false);
        result["dump"] = front.is_object() ? front.value("dump", nlohmann::json()) : nlohmann::json();
    }
    response.set_header("Cache-Control", "no-store");
    response.set_content(dumpJson(result), "application/json");
}

}
