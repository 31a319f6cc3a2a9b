// A number on a tool's command line: whole, in range, nothing around it.
#include "tools/cli/number_argument.h"

#include <gtest/gtest.h>

TEST(NumberArgument, AcceptsWholeNumbersInRangeOnly)
{
    const struct {
        const char* text;
        uint32_t minimum, maximum;
        bool accepted;
        uint32_t value;
    } cases[] = {
        {"0", 0, 10, true, 0},
        {"10", 0, 10, true, 10},
        {"11", 0, 10, false, 0},
        {"0", 1, 10, false, 0},
        {"4294967295", 0, 0xFFFFFFFFu, true, 0xFFFFFFFFu},
        {"4294967296", 0, 0xFFFFFFFFu, false, 0},
        {"184467440737095516161", 0, 0xFFFFFFFFu, false, 0},  // would wrap a 64-bit sum
        {"", 0, 10, false, 0},
        {"-1", 0, 10, false, 0},
        {"+1", 0, 10, false, 0},
        {"1x", 0, 10, false, 0},
        {" 1", 0, 10, false, 0},
    };
    for (const auto& c : cases) {
        uint32_t value = 12345;
        EXPECT_EQ(c.accepted, ParseNumberArgument(c.text, c.minimum, c.maximum, &value)) << c.text;
        EXPECT_EQ(c.accepted ? c.value : 12345u, value) << c.text;
    }
}
