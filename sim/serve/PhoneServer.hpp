// The live phone's web server: the page, the screen as pictures and as a stream, the buttons,
// touches and uploads, over HTTP on 127.0.0.1 only. It owns the two host processes.
#pragma once

#include "HostChannel.hpp"

#include <coregraphics/CGGeometry.hpp>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}

namespace sim {

class PhoneServer {
public:
    static constexpr size_t maximumUploadBytes = 64u << 20;
    static constexpr int maximumStreams = 4;

    PhoneServer(const std::vector<std::string>& globalArguments, CGSize screen);
    ~PhoneServer();

    // Whether both host processes started and answer.
    bool hostsAnswer();
    // Binds 127.0.0.1:port (0: any free port); the port bound, or -1.
    int bind(int port);
    // Serves until stop(), from any thread.
    bool listen();
    void stop();

private:
    enum class App { Home, Settings };
    struct Screen {
        HostChannel* host;
        std::string window;
        std::string key; // which host and window, to tell a switch of screen
    };

    void addRoutes();
    bool isFromThePage(const httplib::Request&) const;
    Screen frontScreen();
    void screenPicture(const httplib::Request&, httplib::Response&);
    void stream(const httplib::Request&, httplib::Response&);
    void touch(const httplib::Request&, httplib::Response&, bool isDrag);
    void button(const httplib::Request&, httplib::Response&);
    void addPhoto(const httplib::Request&, httplib::Response&);
    void state(const httplib::Request&, httplib::Response&);
    bool setAssistantShown(bool, std::string& error);

    CGSize m_screen;
    int m_port { -1 };
    HostChannel m_settings;
    HostChannel m_springBoard;
    std::unique_ptr<httplib::Server> m_server;
    std::mutex m_lock;
    App m_front { App::Home };
    bool m_isAssistantShown { false };
    std::atomic<bool> m_isStopping { false };
    std::atomic<int> m_streams { 0 };
};

}
