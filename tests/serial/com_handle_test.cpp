#include "serial/com_handle.h"

#include <gtest/gtest.h>

#include <utility>

#include "testkit/open_handles.h"
#include "testkit/test_ports.h"

// A move hands the handle on and leaves the owner behind empty; a move onto
// an open owner closes that owner's port first. Each handle is closed once,
// by whoever holds it last.
TEST(ComHandle, AMoveHandsTheHandleOnAndEveryHandleIsClosedOnce)
{
    const HandleSet before = OpenHandles();
    {
        ComHandle first;
        ASSERT_EQ(ERROR_SUCCESS, first.Open(TestPortPath(HOST_SIDE).c_str()));
        const HANDLE opened = first.Get();
        ComHandle second(std::move(first));
        EXPECT_FALSE(first.IsOpen());
        EXPECT_EQ(opened, second.Get());

        ComHandle third;
        ASSERT_EQ(ERROR_SUCCESS, third.Open(TestPortPath(DEVICE_SIDE).c_str()));
        const size_t bothOpen = OpenHandles().size();
        third = std::move(second);
        EXPECT_FALSE(second.IsOpen());
        EXPECT_EQ(opened, third.Get());
        EXPECT_EQ(bothOpen - 1, OpenHandles().size()) << DescribeHandleChange(before, OpenHandles());
    }
    EXPECT_EQ(before, OpenHandles()) << DescribeHandleChange(before, OpenHandles());
}

TEST(ComHandle, AFailedOpenGivesTheErrorAndLeavesNothingOpen)
{
    const HandleSet before = OpenHandles();
    ComHandle port;
    ASSERT_EQ(ERROR_SUCCESS, port.Open(TestPortPath(HOST_SIDE).c_str()));
    EXPECT_NE(DWORD(ERROR_SUCCESS), port.Open(TestPortPath(UNOPENABLE).c_str()));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(INVALID_HANDLE_VALUE, port.Get());
    EXPECT_EQ(before, OpenHandles()) << DescribeHandleChange(before, OpenHandles());
}
