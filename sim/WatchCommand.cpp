// zova-sim watch: follows a settings store as a running process does, printing its values as one
// JSON line at start and after every change it is told of.
#include "Command.hpp"

#include <Json.hpp>
#include <cephei/HBPreferences.hpp>
#include <foundation/NSRunLoop.hpp>
#include <foundation/PropertyList.hpp>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/signalfd.h>
#include <unistd.h>

namespace sim {

namespace {

// SIGINT and SIGTERM arrive as a readable descriptor, so the loop ends between callbacks.
int stopOnSignals(NSRunLoop& loop)
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    if (::sigprocmask(SIG_BLOCK, &signals, nullptr) != 0)
        return -1;
    int fd = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0)
        return -1;
    loop.addFileDescriptorSource(fd, [fd, &loop] {
        signalfd_siginfo info;
        while (::read(fd, &info, sizeof info) > 0) {
        }
        loop.stop();
    });
    return fd;
}

int run(const Options&, std::span<const std::string> arguments)
{
    if (arguments.size() != 1 && !(arguments.size() == 3 && arguments[1] == "--seconds"))
        return fail("usage: watch IDENTIFIER [--seconds N]", 2);
    std::optional<double> seconds;
    if (arguments.size() == 3 && !(seconds = parseNumber(arguments[2], 0, HUGE_VAL)))
        return fail("bad --seconds '" + arguments[2] + "': expected a number of seconds, 0 or more", 2);

    auto loop = NSRunLoop::mainRunLoop();
    if (stopOnSignals(*loop) < 0)
        return fail(std::string("can't handle signals: ") + std::strerror(errno));
    auto store = HBPreferences::initWithIdentifier(arguments[0]);
    // The block runs once at registration: that is the line printed at start.
    HBPreferences* watched = store.get();
    store->registerPreferenceChangeBlock([watched] {
        std::printf("%s\n", dumpJson(jsonOfPropertyList(PlistValue(watched->dictionaryRepresentation()))).c_str());
        std::fflush(stdout);
    });
    if (seconds)
        loop->runForTimeInterval(*seconds);
    else
        loop->run();
    return 0;
}

const bool s_registered = registerCommand({
    "watch",
    "watch IDENTIFIER [--seconds N]",
    "Prints the settings store IDENTIFIER as one JSON line at start and after every change, for N\n"
    "    seconds or until interrupted.",
    true,
    &run,
});

}

}
