// ardun-host info: what the plug-in, its component and the hardware say
// about themselves, and which port the plug-in is set to.
#pragma once

#include "tools/host/plugin_library.h"

// Exit status: 0, or 1 when an operation failed (the message says which).
int RunInfoCommand(PluginLibrary& library, IMVPlugin* plugin);
