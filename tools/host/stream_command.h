// ardun-host stream: opens the component and reads packets the way the host
// does when it logs: Write P,N then Read N, again and again, printing each
// packet as a timestamped hex line and a summary at the end.
#pragma once

#include "tools/host/host_options.h"
#include "tools/host/plugin_library.h"

// Exit status: 0 when at least one packet arrived; 1 when Open or a request
// failed (other than by a time-out); 3 when every request timed out.
int RunStreamCommand(const PluginLibrary& library, IMVPlugin* plugin, const HostOptions& options);
