// zova-sim's command line as people and scripts use it: options, help and usage errors.
#include "SimProcess.hpp"

#include <gtest/gtest.h>

using namespace simtest;

namespace {

bool mentions(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}

// Help asked for belongs on stdout with success; the same help after a mistake is an error.
TEST(CommandLine, HelpGoesToStdoutWhenAskedAndToStderrAfterAMistake)
{
    for (const char* asked : { "--help", "-h" }) {
        auto result = runSim({ asked });
        EXPECT_EQ(result.status, 0) << asked;
        EXPECT_TRUE(mentions(result.out, "usage: zova-sim")) << asked;
        EXPECT_TRUE(result.err.empty()) << asked;
    }
    auto help = runSim({ "--help" }).out;
    EXPECT_TRUE(mentions(help, "from 0")) << "rows are counted from 0";
    EXPECT_TRUE(mentions(help, "var/mobile/Media/DCIM")) << "where the photo library lives";
    EXPECT_TRUE(mentions(help, "exit status"));

    auto none = runSim({});
    EXPECT_EQ(none.status, 2);
    EXPECT_TRUE(none.out.empty());
    EXPECT_TRUE(mentions(none.err, "usage: zova-sim"));

    auto one = runSim({ "help", "defaults" });
    EXPECT_EQ(one.status, 0);
    EXPECT_TRUE(mentions(one.out, "defaults write"));
    EXPECT_EQ(runSim({ "defaults", "--help" }).out, one.out);
    EXPECT_EQ(runSim({ "help", "nothing" }).status, 2);

    auto version = runSim({ "--version" });
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(mentions(version.out, "zova-sim "));
}

// Both spellings of an option's value work, and "--" ends the options.
TEST(CommandLine, OptionValuesAndTheEndOfOptions)
{
    Device device;
    auto joined = runSim({ "--root=" + device.root.string(), "defaults", "write", "com.example.cli", "k", "-int", "4" });
    ASSERT_EQ(joined.status, 0) << joined.err;
    auto separate = runSim({ "--root", device.root.string(), "--", "defaults", "read", "com.example.cli", "k" });
    EXPECT_EQ(separate.status, 0) << separate.err;
    EXPECT_EQ(separate.out, "4\n");
}

// Mistakes in the global options are usage errors with a reason, never a crash or a half run.
TEST(CommandLine, UsageErrors)
{
    struct Case {
        std::vector<std::string> arguments;
        const char* reason;
    };
    const Case cases[] = {
        { { "--root", "", "install" }, "--root needs a directory" },
        { { "--root" }, "needs a value" },
        { { "--bogus", "install" }, "unknown option" },
        { { "--screen", "50x50", "assistant", "show" }, "from 100 to 2048" },
        { { "--screen", "390x9000", "assistant", "show" }, "from 100 to 2048" },
        { { "--screen", "wide", "assistant", "show" }, "bad --screen" },
        { { "launch" }, "unknown command" },
        { { "install" }, "needs --root" },
    };
    for (const auto& [arguments, reason] : cases) {
        auto result = runSim(arguments);
        EXPECT_EQ(result.status, 2) << arguments.front();
        EXPECT_TRUE(mentions(result.err, reason)) << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
}

// A command's values may look like options: only the word right after the command asks for help.
TEST(CommandLine, ValuesThatLookLikeOptionsAreValues)
{
    Device device;
    auto written = runSim(device.with({ "defaults", "write", "com.example.cli", "word", "-string", "--help" }));
    ASSERT_EQ(written.status, 0) << written.err;
    auto read = runSim(device.with({ "defaults", "read", "com.example.cli", "word" }));
    EXPECT_EQ(read.out, "\"--help\"\n");
}
