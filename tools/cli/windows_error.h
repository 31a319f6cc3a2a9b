// Readable text for a Windows error number, for the tools' messages.
#pragma once

#include <windows.h>

#include <string>

// "Windows error N (<the system's text>)".
std::string DescribeWindowsError(DWORD error);
