#include "serial/hex_dump_line.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

TEST(BuildHexDumpLine, ShowsAtMostSixteenBytes)
{
    std::vector<uint8_t> bytes(20, 'z');
    char line[HEX_DUMP_LINE_CAPACITY];
    EXPECT_EQ(16u, BuildHexDumpLine(bytes.data(), bytes.size(), line, sizeof line));
    EXPECT_EQ(48u + 16u, strlen(line));
    EXPECT_EQ(3u, BuildHexDumpLine(bytes.data(), 3, line, sizeof line));
    EXPECT_EQ(48u + 3u, strlen(line));
}

// A short buffer gets the start of the full line, terminated, and nothing is
// written past it.
TEST(BuildHexDumpLine, NeverWritesPastTheCapacity)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 16; ++i)
        bytes.push_back((uint8_t)(0xF0 + i));
    char full[HEX_DUMP_LINE_CAPACITY];
    BuildHexDumpLine(bytes.data(), bytes.size(), full, sizeof full);
    const std::string fullLine = full;

    const size_t capacities[] = {1, 2, 3, 10, 48, 49, 50, 64, 65, 66};
    for (size_t capacity : capacities) {
        char buffer[100];
        memset(buffer, '#', sizeof buffer);
        BuildHexDumpLine(bytes.data(), bytes.size(), buffer, capacity);
        const size_t length = strnlen(buffer, capacity);
        ASSERT_LT(length, capacity) << capacity;
        EXPECT_EQ(fullLine.substr(0, capacity - 1), std::string(buffer, length)) << capacity;
        for (size_t i = capacity; i < sizeof buffer; ++i)
            ASSERT_EQ('#', buffer[i]) << "capacity " << capacity << " index " << i;
    }
}
