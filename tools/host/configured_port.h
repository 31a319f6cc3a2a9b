// What the plug-in will open: the port path in its settings file
// ArdunParser.dat beside the DLL (25 bytes, the zero-terminated path), or the
// plug-in's default \\.\COM1 when there is no such file. Lets ardun-host tell
// the user which port a failure concerns and what the dialog saved.
#pragma once

#include <string>

// One line, e.g. "\\.\COM9 (from C:\x\ArdunParser.dat)".
std::string DescribeConfiguredPort(const std::string& dllPath);
