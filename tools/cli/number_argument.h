// Reads the numbers given on the tools' command lines. Pure logic, no
// windows.h, so it also builds natively.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

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

// A numeric option of a tool's command line: its name, its range and the
// field of the tool's options that it sets.
template <class Options>
struct NumberOption {
    const char* name;
    uint32_t minimum;
    uint32_t maximum;
    uint32_t Options::*field;
};

// The option in the table that argument names, or null.
template <class Options, size_t Count>
const NumberOption<Options>* FindNumberOption(const NumberOption<Options> (&table)[Count], const char* argument)
{
    for (const NumberOption<Options>& option : table)
        if (strcmp(argument, option.name) == 0)
            return &option;
    return nullptr;
}

// ReadOptionNumber into the option's own field of *options, within its range.
template <class Options>
bool ReadNumberOption(int argc, const char* const* argv, int* index, const NumberOption<Options>& option,
                      Options* options, std::string* error)
{
    return ReadOptionNumber(argc, argv, index, option.minimum, option.maximum, &(options->*option.field),
                            error);
}
