// ardun-sim's command line: a port is needed and every value stays in range.
#include "tools/sim/sim_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testkit/parse_arguments.h"

TEST(SimOptions, NeedsAPortAndKeepsEveryValueInRange)
{
    SimOptions options;
    std::string error;
    ASSERT_TRUE(ParseArguments(ParseSimOptions,
                               {"--port", "10", "--rate", "1000", "--noise", "0", "--size", "1", "--count",
                                "3", "--first", "4294967295"},
                               &options, &error))
        << error;
    EXPECT_EQ(10u, options.port);
    EXPECT_EQ(1000u, options.rate);
    EXPECT_EQ(0u, options.noise);
    EXPECT_EQ(1u, options.size);
    EXPECT_EQ(3u, options.count);
    EXPECT_EQ(0xFFFFFFFFu, options.first);
    EXPECT_EQ(115200u, options.baudRate);

    // A port a tool takes is one the configuration dialog lists: 0 to 255.
    for (const char* port : {"0", "255"}) {
        SimOptions edge;
        EXPECT_TRUE(ParseArguments(ParseSimOptions, {"--port", port}, &edge, &error)) << port;
    }

    const std::vector<std::vector<const char*>> wrong = {
        {},
        {"--size", "16"},
        {"--port", "256"},
        {"--port", "10", "--rate", "0"},
        {"--port", "10", "--noise", "65"},
        {"--port", "10", "--size", "256"},
        {"--port", "10", "extra"},
    };
    for (const auto& arguments : wrong) {
        SimOptions refused;
        EXPECT_FALSE(ParseArguments(ParseSimOptions, arguments, &refused, &error)) << arguments.size();
    }
}
