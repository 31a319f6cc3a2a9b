#include "tools/cli/windows_error.h"

std::string DescribeWindowsError(DWORD error)
{
    char text[256] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  error, 0, text, sizeof text, nullptr);
    // The system's text ends with a line break; no text at all is fine too.
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' '))
        text[--length] = '\0';
    std::string description = "Windows error " + std::to_string(error);
    if (length > 0)
        description += std::string(" (") + text + ")";
    return description;
}
