#include "common/result_codes.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(ResultCodes, MatchTheValuesTheHostKnows)
{
    EXPECT_EQ((ResultCode)0x80004005u, E_FAIL);
    EXPECT_EQ((ResultCode)0x80070057u, E_INVALIDARG);
    EXPECT_EQ((ResultCode)HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER), RESULT_INSUFFICIENT_BUFFER);
    EXPECT_EQ((ResultCode)HRESULT_FROM_WIN32(ERROR_TIMEOUT), RESULT_TIMEOUT);
}

TEST(WrapPlatformError, KeepsTheLowWordUnderTheWin32Facility)
{
    const struct {
        int32_t error;
        uint32_t wrapped;
    } cases[] = {
        {0, 0},
        {2, 0x80070002u},
        {32, 0x80070020u},
        {0x12345, 0x80072345u},
        {-5, (uint32_t)-5},
        {(int32_t)0x80004005u, 0x80004005u},
    };
    for (const auto& c : cases)
        EXPECT_EQ((ResultCode)c.wrapped, WrapPlatformError(c.error)) << c.error;
}

TEST(WrapPlatformFailure, NeverGivesSuccess)
{
    EXPECT_EQ(E_FAIL, WrapPlatformFailure(0));
    EXPECT_EQ((ResultCode)0x80070002u, WrapPlatformFailure(2));
    EXPECT_EQ((ResultCode)0x80004005u, WrapPlatformFailure((int32_t)0x80004005u));
}
