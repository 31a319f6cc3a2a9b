// A GUID's binary form (16 bytes as UuidFromStringA lays them out) in its
// usual text form. Pure logic, no windows.h.
#pragma once

#include <stdint.h>

#include <string>

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", upper-case hex: the first group a
// 32-bit and the next two 16-bit little-endian numbers, then the last eight
// bytes in order.
std::string FormatGuidText(const uint8_t bytes[16]);
