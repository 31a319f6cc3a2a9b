// Reads the numbers given on the tools' command lines. Pure logic, no
// windows.h, so it also builds natively.
#pragma once

#include <stdint.h>

// Reads a whole decimal number within [minimum, maximum] into *value. False,
// with *value untouched, for empty text, signs, trailing characters or a
// number out of range.
bool ParseNumberArgument(const char* text, uint32_t minimum, uint32_t maximum, uint32_t* value);
