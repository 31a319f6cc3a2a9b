// The module's front door: the load hook and the two exports the host looks
// up by name (ordinals 1 and 2, undecorated, through the module-definition
// file).
#include <windows.h>

#include "common/module_handle.h"
#include "parser/ardun_parser.h"
#include "plugin/ardun_plugin.h"
#include "settings/port_setting.h"

extern "C" IMVPlugin* MVCreatePlugin()
{
    // A missing or unreadable settings file leaves the port as it was.
    (void)LoadPortSetting();
    // Here, never in the load hook: the area is a named object Windows makes.
    // Without it the component goes unobserved, exactly as before. A later
    // call attaches nothing twice; the slots are free at the first.
    if (TheHostActivity.Start()) {
        (void)TheComponent.AttachTap(&TheHostActivity);
        (void)TheComponent.AttachEvents(&TheHostActivity);
    }
    return &ThePlugin;
}

// The objects are the module's own and live until it unloads: nothing to do.
extern "C" void MVReleasePlugin()
{
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        SetModuleInstance(instance);
    return TRUE;
}
