#include "common/bounded_text.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

namespace {

const char MARK = '#';

struct CopyCase {
    const char* source;
    size_t capacity;
    const char* expected;
    ResultCode result;
};

TEST(BoundedCopy, CutsAtCapacityMinusOneAndAlwaysTerminates)
{
    const CopyCase cases[] = {
        {"", 1, "", RESULT_OK},
        {"a", 1, "", RESULT_INSUFFICIENT_BUFFER},
        {"abc", 4, "abc", RESULT_OK},  // exactly fits
        {"abcd", 4, "abc", RESULT_INSUFFICIENT_BUFFER},  // one too long
        {"abcdefgh", 3, "ab", RESULT_INSUFFICIENT_BUFFER},
    };
    for (const CopyCase& c : cases) {
        char buffer[16];
        memset(buffer, MARK, sizeof buffer);
        EXPECT_EQ(c.result, BoundedCopy(buffer, c.capacity, c.source)) << c.source;
        EXPECT_STREQ(c.expected, buffer) << c.source;
        // Nothing past the terminator, and nothing past the capacity.
        for (size_t i = strlen(c.expected) + 1; i < sizeof buffer; ++i)
            EXPECT_EQ(MARK, buffer[i]) << c.source << " at " << i;
    }
}

TEST(BoundedText, RefusesZeroAndHugeCapacitiesWithoutWriting)
{
    const size_t refused[] = {0, BOUNDED_TEXT_MAX + 1, (size_t)-1};
    for (size_t capacity : refused) {
        char buffer[8];
        memset(buffer, MARK, sizeof buffer);
        EXPECT_EQ(E_INVALIDARG, BoundedCopy(buffer, capacity, "x"));
        EXPECT_EQ(E_INVALIDARG, BoundedAppend(buffer, capacity, "x"));
        EXPECT_EQ(E_INVALIDARG, BoundedPrintf(buffer, capacity, "%d", 1));
        for (char c : buffer)
            EXPECT_EQ(MARK, c);
        size_t length = 99;
        EXPECT_EQ(E_INVALIDARG, BoundedLength("abc", capacity, &length));
        EXPECT_EQ(0u, length);
    }
}

TEST(BoundedAppend, AppendsIntoTheRoomLeft)
{
    char buffer[8] = "abc";
    EXPECT_EQ(RESULT_OK, BoundedAppend(buffer, sizeof buffer, "defg"));  // exactly fits
    EXPECT_STREQ("abcdefg", buffer);

    char cut[8] = "abc";
    EXPECT_EQ(RESULT_INSUFFICIENT_BUFFER, BoundedAppend(cut, sizeof cut, "defgh"));
    EXPECT_STREQ("abcdefg", cut);

    char full[4] = "abc";
    EXPECT_EQ(RESULT_INSUFFICIENT_BUFFER, BoundedAppend(full, sizeof full, "d"));
    EXPECT_STREQ("abc", full);
    EXPECT_EQ(RESULT_OK, BoundedAppend(full, sizeof full, ""));
}

TEST(BoundedAppend, RefusesADestinationWithoutTerminator)
{
    char buffer[6];
    memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(E_INVALIDARG, BoundedAppend(buffer, 4, "x"));
    EXPECT_EQ(std::string(6, 'z'), std::string(buffer, 6));
}

TEST(BoundedPrintf, ExactlyCapacityMinusOneFits)
{
    char buffer[8];
    memset(buffer, MARK, sizeof buffer);
    EXPECT_EQ(RESULT_OK, BoundedPrintf(buffer, 6, "COM%d", 1));
    EXPECT_STREQ("COM1", buffer);

    EXPECT_EQ(RESULT_OK, BoundedPrintf(buffer, 6, "COM%d", 12));
    EXPECT_STREQ("COM12", buffer);

    memset(buffer, MARK, sizeof buffer);
    EXPECT_EQ(RESULT_INSUFFICIENT_BUFFER, BoundedPrintf(buffer, 6, "COM%d", 123));
    EXPECT_STREQ("COM12", buffer);
    EXPECT_EQ(MARK, buffer[6]);

    EXPECT_EQ(RESULT_INSUFFICIENT_BUFFER, BoundedPrintf(buffer, 1, "%s", "a"));
    EXPECT_STREQ("", buffer);
}

TEST(BoundedPrintf, AShortOutputLeavesTheBytesAfterItsTerminator)
{
    // A settings buffer keeps whatever follows the path, up to its last byte.
    char buffer[8];
    memset(buffer, MARK, sizeof buffer);
    EXPECT_EQ(RESULT_OK, BoundedPrintf(buffer, sizeof buffer, "ab"));
    EXPECT_EQ(std::string("ab\0#####", 8), std::string(buffer, 8));
}

TEST(BoundedLength, FindsTheTerminatorOnlyWithinTheMaximum)
{
    size_t length = 99;
    EXPECT_EQ(RESULT_OK, BoundedLength("abc", 4, &length));
    EXPECT_EQ(3u, length);
    EXPECT_EQ(E_INVALIDARG, BoundedLength("abc", 3, &length));
    EXPECT_EQ(0u, length);
    EXPECT_EQ(RESULT_OK, BoundedLength("", 1, NULL));
}

}  // namespace
