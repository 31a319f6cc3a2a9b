// Bytes as the tools print them.
#include "tools/cli/hex_bytes.h"

#include <gtest/gtest.h>

TEST(HexBytes, TwoDigitsABytePlainSpacesBetween)
{
    const uint8_t bytes[] = {0x00, 0xFF, 0x5A, 0x0F};
    EXPECT_EQ("00 FF 5A 0F", FormatHexBytes(bytes, 4));
    EXPECT_EQ("", FormatHexBytes(bytes, 0));
}
