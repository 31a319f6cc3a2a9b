// The trace's text, in the system's 8-bit code page, as UTF-8 for a file.
#pragma once

#include <string>

// The text unchanged when Windows cannot convert it.
std::string AnsiToUtf8(const std::string& text);
