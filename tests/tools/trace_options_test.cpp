// ardun-trace's command line: the watch's options, and the port range.
#include "tools/trace/trace_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testkit/parse_arguments.h"

TEST(TraceOptions, TakesTheWatchsOptionsOnlyWithTheWatch)
{
    TraceOptions options;
    std::string error;
    ASSERT_TRUE(
        ParseArguments(ParseTraceOptions, {"--watch", "--pid", "4242", "--seconds", "60"}, &options, &error))
        << error;
    EXPECT_TRUE(options.watch);
    EXPECT_EQ(4242u, options.pid);
    EXPECT_EQ(60u, options.seconds);
    const std::vector<std::vector<const char*>> wrong = {
        {"--pid", "4242"},
        {"--seconds", "5"},
        {"--watch", "--find"},
        {"--watch", "--pid", "0"},
        {"--watch", "--seconds", "0"},
    };
    for (const auto& arguments : wrong) {
        TraceOptions refused;
        EXPECT_FALSE(ParseArguments(ParseTraceOptions, arguments, &refused, &error)) << arguments[1];
    }
}

// --find listens at a --baud given, at the list of rates without one.
TEST(TraceOptions, TellsABaudRateGivenFromTheDefault)
{
    for (const bool given : {false, true}) {
        TraceOptions options;
        std::string error;
        const std::vector<const char*> find = {"--find", "--baud", "115200"};
        ASSERT_TRUE(ParseArguments(ParseTraceOptions, given ? find : std::vector<const char*>{"--find"},
                                   &options, &error))
            << error;
        EXPECT_EQ(given, options.baudGiven);
    }
}

// A port a tool takes is one the configuration dialog lists: 0 to 255;
// without one the trace uses the plug-in's setting.
TEST(TraceOptions, TakesTheDialogsPortRange)
{
    for (uint32_t port : {0u, 255u, 256u}) {
        const std::string text = std::to_string(port);
        TraceOptions trace;
        std::string error;
        EXPECT_EQ(port <= 255, ParseArguments(ParseTraceOptions, {"--port", text.c_str()}, &trace, &error))
            << port;
        EXPECT_EQ(port <= 255 ? port : PORT_FROM_SETTINGS, trace.port) << port;
    }
}
