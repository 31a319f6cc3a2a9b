// ardun-host config: shows the plug-in's port configuration dialog, owned by
// a top-level window of ardun-host's own, as the host does from its menu.
#pragma once

#include "tools/host/plugin_library.h"

// Exit status: 0, or 1 when the owner window could not be made or
// ShowConfig reported something other than 0.
int RunConfigCommand(const PluginLibrary& library, IMVPlugin* plugin);

// Caption of the (hidden) window that owns the dialog.
extern const char* const OWNER_WINDOW_CAPTION;
