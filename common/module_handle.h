// The module's own instance handle: stored by the load hook when the process
// attaches the module, null until then. The settings file is found beside the
// module through it, and the configuration dialog's template is loaded from it.
#pragma once

#include <windows.h>

HINSTANCE GetModuleInstance();
void SetModuleInstance(HINSTANCE instance);
