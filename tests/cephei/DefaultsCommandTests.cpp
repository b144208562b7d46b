// zova-sim defaults and watch, run as separate processes on a temporary device.
#include "StoreTestSupport.hpp"

#include <csignal>
#include <poll.h>

using namespace storetest;

namespace {

// One line of the child's output, or what came before the deadline.
std::string readLine(int fd, int timeoutMilliseconds)
{
    std::string line;
    char c = 0;
    pollfd readable { fd, POLLIN, 0 };
    while (poll(&readable, 1, timeoutMilliseconds) == 1 && read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

}

TEST(DefaultsCommand, WritesReadsAndDeletesInEveryForm)
{
    // Catches a value written with the wrong type, JSON that is not what was stored, or a delete
    // that misses its key.
    TemporaryDeviceRoot root;
    const std::string id = "com.zova.tests.defaults";
    EXPECT_EQ(sim(root, { "defaults", "write", id, "acceso", "-bool", "NO" }), 0);
    EXPECT_EQ(sim(root, { "defaults", "write", id, "siripic", "-int", "-3" }), 0);
    EXPECT_EQ(sim(root, { "defaults", "write", id, "name", "-string", "a \"b\"" }), 0);
    std::string all, one;
    EXPECT_EQ(sim(root, { "defaults", "read", id }, &all), 0);
    EXPECT_EQ(all, R"({"acceso":false,"name":"a \"b\"","siripic":-3})" "\n");
    EXPECT_EQ(sim(root, { "defaults", "read", id, "siripic" }, &one), 0);
    EXPECT_EQ(one, "-3\n");

    EXPECT_EQ(sim(root, { "defaults", "delete", id, "siripic" }), 0);
    EXPECT_EQ(sim(root, { "defaults", "read", id, "siripic" }), 1);
    EXPECT_NE(sim(root, { "defaults", "delete", id, "siripic" }), 0);
    EXPECT_EQ(sim(root, { "defaults", "delete", id }), 0);
    all.clear();
    EXPECT_EQ(sim(root, { "defaults", "read", id }, &all), 0) << "an emptied domain still has its file";
    EXPECT_EQ(all, "{}\n");
}

TEST(DefaultsCommand, TakesTheValueFormsOfTheDesktopCommand)
{
    // Catches -bool words refused for their case, the long type names missing, and an untyped
    // value refused instead of stored as a string.
    TemporaryDeviceRoot root;
    const std::string id = "com.zova.tests.forms";
    for (const char* yes : { "yes", "True", "1", "YES" }) {
        EXPECT_EQ(sim(root, { "defaults", "write", id, "flag", "-bool", "NO" }), 0);
        EXPECT_EQ(sim(root, { "defaults", "write", id, "flag", "-boolean", yes }), 0) << yes;
        std::string shown;
        EXPECT_EQ(sim(root, { "defaults", "read", id, "flag" }, &shown), 0);
        EXPECT_EQ(shown, "true\n") << yes;
    }
    EXPECT_EQ(sim(root, { "defaults", "write", id, "count", "-integer", "7" }), 0);
    EXPECT_EQ(sim(root, { "defaults", "write", id, "ratio", "-float", "0.25" }), 0);
    EXPECT_EQ(sim(root, { "defaults", "write", id, "plain", "héllo ✓" }), 0);
    EXPECT_EQ(sim(root, { "defaults", "write", id, "whole", "-float", "2" }), 0);
    std::string all;
    EXPECT_EQ(sim(root, { "defaults", "read", id }, &all), 0);
    // A real stays a real, even when whole.
    EXPECT_EQ(all, R"({"count":7,"flag":true,"plain":"héllo ✓","ratio":0.25,"whole":2.0})" "\n");
}

TEST(DefaultsCommand, MissingDomainsAndKeysAreReportedAndNothingIsCreated)
{
    // Catches a read or delete of nothing that succeeds, or a delete that makes the store file and
    // its lock on its way to failing.
    TemporaryDeviceRoot root;
    const std::string id = "com.zova.tests.missing";
    std::string error;
    EXPECT_EQ(sim(root, { "defaults", "read", id }), 1);
    EXPECT_EQ(sim(root, { "defaults", "delete", id }), 1);
    EXPECT_EQ(sim(root, { "defaults", "delete", id, "siripic" }), 1);
    EXPECT_FALSE(std::filesystem::exists(root.storeFile(id)));
    EXPECT_FALSE(std::filesystem::exists(root.storeFile(id).string() + ".lock"));

    EXPECT_EQ(sim(root, { "defaults", "write", id, "siripic", "-int", "2" }), 0);
    EXPECT_EQ(sim(root, { "defaults", "delete", id, "acceso" }), 1);
    EXPECT_EQ(sim(root, { "defaults", "read", id, "acceso" }), 1);
}

TEST(DefaultsCommand, RefusesBadInputWithoutWriting)
{
    // Catches a lenient parser that stores 0 or a truncated number for a value it did not understand.
    TemporaryDeviceRoot root;
    const std::string id = "com.zova.tests.refused";
    std::vector<std::vector<std::string>> badCalls = {
        { "defaults", "write", id, "k", "-int", "12x" },
        { "defaults", "write", id, "k", "-int", "99999999999999999999" },
        { "defaults", "write", id, "k", "-bool", "maybe" },
        { "defaults", "write", id, "k", "-float", "1.5.2" },
        { "defaults", "write", id, "k", "-float", "inf" },
        { "defaults", "write", id, "k", "-date", "today" },
        { "defaults", "write", id, "k", "-string", "\xC3\x28" },
        { "defaults", "write", id, "\xFF", "value" },
        { "defaults", "write", id, "k", "\xED\xA0\x80" },
        { "defaults", "write", id, "k" },
        { "defaults", "rename", id },
        { "defaults" },
        { "watch", id, "--seconds", "soon" },
    };
    for (const auto& call : badCalls)
        EXPECT_NE(sim(root, call), 0) << call.back();
    EXPECT_FALSE(std::filesystem::exists(root.storeFile(id)));
}

TEST(WatchCommand, PrintsValuesAtStartAndAfterEachChangeThenStopsOnSigterm)
{
    // Catches a watcher that misses changes, buffers its lines, or dies on a signal instead of ending.
    TemporaryDeviceRoot root;
    const std::string id = "com.zova.tests.watch";
    int output = -1;
    pid_t watcher = spawn({ ZOVA_SIM_PATH, "--root", root.path.string(), "watch", id }, &output);
    EXPECT_EQ(readLine(output, 10000), "{}");
    EXPECT_EQ(sim(root, { "defaults", "write", id, "siripic", "-int", "5" }), 0);
    EXPECT_EQ(readLine(output, 10000), R"({"siripic":5})");
    EXPECT_EQ(sim(root, { "defaults", "write", id, "acceso", "-bool", "YES" }), 0);
    EXPECT_EQ(readLine(output, 10000), R"({"acceso":true,"siripic":5})");
    kill(watcher, SIGTERM);
    EXPECT_EQ(waitFor(watcher), 0);
    close(output);
}
