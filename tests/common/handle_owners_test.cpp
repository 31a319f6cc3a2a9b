#include <gtest/gtest.h>
#include <windows.h>

#include <utility>

#include "common/kernel_handle.h"
#include "common/mapped_view.h"
#include "testkit/open_handles.h"

namespace {

HANDLE NewMapping()
{
    return CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, 4096, NULL);
}

bool IsMappedAt(const void* address)
{
    MEMORY_BASIC_INFORMATION region;
    return VirtualQuery(address, &region, sizeof region) != 0 && region.State != MEM_FREE;
}

}  // namespace

// A move hands the handle on and leaves the owner behind empty; a move onto
// an owner that holds one closes that one first. Each is closed once, by
// whoever holds it last; Windows' "no handle" of either kind is held as none.
TEST(KernelHandle, AMoveHandsTheHandleOnAndEveryHandleIsClosedOnce)
{
    const HandleSet before = OpenHandles();
    {
        KernelHandle first(NewMapping()), second(NewMapping());
        ASSERT_TRUE(first.IsOpen() && second.IsOpen());
        const HANDLE moved = first.Get();
        const size_t bothOpen = OpenHandles().size();
        second = std::move(first);
        EXPECT_FALSE(first.IsOpen());
        EXPECT_EQ(moved, second.Get());
        EXPECT_EQ(bothOpen - 1, OpenHandles().size()) << DescribeHandleChange(before, OpenHandles());
        const KernelHandle third(std::move(second));
        EXPECT_FALSE(second.IsOpen());
        EXPECT_EQ(moved, third.Get());
        EXPECT_FALSE(KernelHandle(INVALID_HANDLE_VALUE).IsOpen());
    }
    EXPECT_EQ(before, OpenHandles()) << DescribeHandleChange(before, OpenHandles());
}

TEST(MappedView, AMoveHandsTheViewOnAndEveryViewIsUnmappedOnce)
{
    const KernelHandle mapping(NewMapping());
    ASSERT_TRUE(mapping.IsOpen());
    void* kept = NULL;
    {
        MappedView first(MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, 0));
        MappedView second(MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, 0));
        ASSERT_TRUE(first.IsMapped() && second.IsMapped());
        kept = first.Get();
        void* const replaced = second.Get();
        second = std::move(first);
        EXPECT_FALSE(first.IsMapped());
        EXPECT_FALSE(IsMappedAt(replaced));
        const MappedView third(std::move(second));
        EXPECT_EQ(kept, third.Get());
        EXPECT_TRUE(IsMappedAt(kept));
    }
    EXPECT_FALSE(IsMappedAt(kept));
}
