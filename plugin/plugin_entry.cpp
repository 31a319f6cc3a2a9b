// The module's load hook. The host finds the exports by name.
#include <windows.h>

#include "common/module_handle.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        SetModuleInstance(instance);
    return TRUE;
}
