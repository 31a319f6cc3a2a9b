// What the plug-in will open: the port path in its settings file beside the
// loaded DLL (common/module_files.h: the zero-terminated path), or the
// plug-in's default port when there is no such file. Lets ardun-host tell the
// user which port a failure concerns and what the dialog saved.
#pragma once

#include <string>

#include "tools/host/plugin_library.h"

// One line, e.g. "\\.\COM9 (from C:\x\ArdunParser.dat)".
std::string DescribeConfiguredPort(const PluginLibrary& library);
