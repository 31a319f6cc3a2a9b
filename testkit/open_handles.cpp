#include "testkit/open_handles.h"

#include <windows.h>

HandleSet OpenHandles()
{
    HandleSet handles;
    for (uintptr_t value = 4; value < 0x4000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation((HANDLE)value, &flags))
            handles.insert(value);
    }
    return handles;
}

std::string DescribeHandleChange(const HandleSet& before, const HandleSet& after)
{
    std::string change;
    for (uintptr_t handle : after)
        if (!before.count(handle))
            change += " +" + std::to_string(handle);
    for (uintptr_t handle : before)
        if (!after.count(handle))
            change += " -" + std::to_string(handle);
    return change.empty() ? "no change" : change;
}
