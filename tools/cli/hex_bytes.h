// Bytes as a line of two-digit upper-case hex numbers separated by spaces, as
// the tools print packets. Pure logic, no windows.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

std::string FormatHexBytes(const uint8_t* bytes, size_t count);
