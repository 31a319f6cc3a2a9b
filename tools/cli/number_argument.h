// Reads the numbers given on the tools' command lines. Pure logic, no
// windows.h, so it also builds natively.
#pragma once

#include <stdint.h>

#include <string>

// Reads a whole decimal number within [minimum, maximum] into *value. False,
// with *value untouched, for empty text, signs, trailing characters or a
// number out of range.
bool ParseNumberArgument(const char* text, uint32_t minimum, uint32_t maximum, uint32_t* value);

// Reads the number that follows the option argv[*index] and steps *index past
// it. False, with a message naming the option and its range in *error, when
// the number is missing or not within [minimum, maximum].
bool ReadOptionNumber(int argc, const char* const* argv, int* index, uint32_t minimum, uint32_t maximum,
                      uint32_t* value, std::string* error);

// "--help", "-h" or "/?".
bool IsHelpArgument(const char* argument);
