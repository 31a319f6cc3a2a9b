#include "testkit/open_handles.h"

#include <windows.h>
#include <winternl.h>

namespace {

// "+120 (Key)": the kind of a handle that came, so that a leak says what it is.
std::string KindOf(uintptr_t value)
{
    union {
        PUBLIC_OBJECT_TYPE_INFORMATION info;
        char room[512];
    } type;
    ULONG length = 0;
    if (NtQueryObject((HANDLE)value, ObjectTypeInformation, &type, sizeof type, &length) != 0)
        return "";
    const UNICODE_STRING& name = type.info.TypeName;
    std::string kind;
    for (USHORT i = 0; i < name.Length / sizeof(WCHAR) && i < 64; ++i)
        kind += name.Buffer[i] < 128 ? (char)name.Buffer[i] : '?';
    return " (" + kind + ")";
}

}  // namespace

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
            change += " +" + std::to_string(handle) + KindOf(handle);
    for (uintptr_t handle : before)
        if (!after.count(handle))
            change += " -" + std::to_string(handle);
    return change.empty() ? "no change" : change;
}
