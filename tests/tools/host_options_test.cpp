// ardun-host's command line: the command, the plug-in and the stream's settings.
#include "tools/host/host_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testkit/parse_arguments.h"

TEST(HostOptions, ReadsCommandAndStreamSettings)
{
    HostOptions options;
    std::string error;
    ASSERT_TRUE(ParseArguments(ParseHostOptions,
                               {"--dll", "C:\\x\\P.dll", "stream", "--baud", "9600", "--size", "255",
                                "--count", "7", "--every", "250"},
                               &options, &error))
        << error;
    EXPECT_EQ(HostCommand::Stream, options.command);
    EXPECT_EQ("C:\\x\\P.dll", options.dllPath);
    EXPECT_EQ(9600u, options.baudRate);
    EXPECT_EQ(255u, options.size);
    EXPECT_EQ(7u, options.count);
    EXPECT_EQ(250u, options.everyMs);

    HostOptions defaults;
    ASSERT_TRUE(ParseArguments(ParseHostOptions, {"info"}, &defaults, &error));
    EXPECT_EQ(HostCommand::Info, defaults.command);
    EXPECT_TRUE(defaults.dllPath.empty());
}

TEST(HostOptions, RefusesWrongCommandLinesWithAReason)
{
    const std::vector<std::vector<const char*>> wrong = {
        {},
        {"--dll", "x.dll"},
        {"info", "stream"},
        {"play"},
        {"stream", "--size", "0"},
        {"stream", "--size", "256"},
        {"stream", "--count"},
        {"stream", "--dll"},
        {"info", "--size", "8"},  // stream settings mean nothing elsewhere
        {"config", "--count", "1"},
        {"stream", "--every", "0"},
        {"info", "--every", "100"},
    };
    for (const auto& arguments : wrong) {
        HostOptions options;
        std::string error;
        EXPECT_FALSE(ParseArguments(ParseHostOptions, arguments, &options, &error)) << arguments.size();
        EXPECT_FALSE(error.empty());
    }
    HostOptions options;
    std::string error;
    ASSERT_TRUE(ParseArguments(ParseHostOptions, {"stream", "--help"}, &options, &error));
    EXPECT_TRUE(options.showHelp);
}
