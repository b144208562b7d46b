// zova-sim serve: the simulated phone, live in a browser. The server starts the Settings app and
// SpringBoard as processes of their own on the device root, and serves one page on 127.0.0.1.
#include "Command.hpp"

#include "serve/HostProcess.hpp"
#include "serve/PhoneServer.hpp"

#include <uikit/UIScreen.hpp>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <thread>

namespace sim {

namespace {

constexpr int defaultPort = 8080;

std::vector<std::string> globalArguments(const Options& options)
{
    std::vector<std::string> arguments;
    if (options.root)
        arguments.insert(arguments.end(), { "--root", std::filesystem::absolute(*options.root).string() });
    if (options.screen) {
        char size[64];
        std::snprintf(size, sizeof size, "%gx%g", options.screen->width, options.screen->height);
        arguments.insert(arguments.end(), { "--screen", size });
    }
    return arguments;
}

std::optional<int> parsePort(std::span<const std::string> arguments, std::string& error)
{
    if (arguments.empty())
        return defaultPort;
    auto port = arguments.size() == 2 && arguments[0] == "--port" ? parseNumber(arguments[1], 0, 65535) : std::nullopt;
    if (!port || *port != static_cast<int>(*port)) {
        error = "usage: serve [--port N] (N from 0 to 65535; 0 picks a free port)";
        return std::nullopt;
    }
    return static_cast<int>(*port);
}

// Ctrl-C and SIGTERM stop the server; its hosts are stopped on the way out.
sigset_t stopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    return signals;
}

int serve(const Options& options, int port)
{
    // Blocked in every thread, taken by one: before any thread or host starts.
    sigset_t signals = stopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    CGSize screen = UIScreen::mainScreen()->bounds().size;
    PhoneServer server(globalArguments(options), screen);
    if (!server.hostsAnswer())
        return fail("serve: can't start the phone's processes");
    int bound = server.bind(port);
    if (bound < 0)
        return fail("serve: can't listen on 127.0.0.1:" + std::to_string(port) + " (is the port taken?)");
    // A signal may come before the server has started listening, when stopping it does nothing yet:
    // the waiter stops it until listening is over.
    std::atomic<bool> isOver { false };
    std::thread waiter([&server, &isOver, signals] {
        int signal = 0;
        sigwait(&signals, &signal);
        while (!isOver) {
            server.stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    std::printf("The phone is at http://127.0.0.1:%d/ (Ctrl-C stops it)\n", bound);
    std::fflush(stdout);
    bool didListen = server.listen();
    isOver = true;
    // Wakes the waiter when the server stopped by itself.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return didListen ? 0 : fail("serve: the server stopped");
}

int runServe(const Options& options, std::span<const std::string> arguments)
{
    if (options.screen && !UIScreen::setMainScreenSize(*options.screen, 3))
        return fail("serve: the screen size is out of range", 2);
    if (arguments.size() == 2 && arguments[0] == hostProcessOption)
        return runHostProcess(arguments[1]);
    std::string error;
    auto port = parsePort(arguments, error);
    if (!port)
        return fail(error, 2);
    noteWhetherInstalled(options);
    return serve(options, *port);
}

const bool s_registered = registerCommand({
    "serve",
    "serve [--port N]",
    "Starts the phone and serves it as a page on http://127.0.0.1:N/ (default 8080; 0 picks a free\n"
    "    port, printed): the screen live, the Home, Settings and assistant buttons, taps and drags on the\n"
    "    screen, the store's values, sounds and opened URLs, and uploads to the photo library. The\n"
    "    Settings app and SpringBoard run as processes of their own; Ctrl-C stops everything.",
    true,
    &runServe,
});

}

}
