// A result code as the tools show it: "0x800705B4". Pure logic, no windows.h.
#pragma once

#include <stdint.h>

#include <string>

std::string FormatResultCode(int32_t result);
