#include "tools/cli/number_argument.h"

#include <string.h>

bool ParseNumberArgument(const char* text, uint32_t minimum, uint32_t maximum, uint32_t* value)
{
    if (text == nullptr || *text == '\0')
        return false;
    uint64_t number = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9')
            return false;
        number = number * 10 + static_cast<uint32_t>(*c - '0');
        if (number > maximum)  // also stops long digit strings from overflowing
            return false;
    }
    if (number < minimum)
        return false;
    *value = static_cast<uint32_t>(number);
    return true;
}

bool ReadOptionNumber(int argc, const char* const* argv, int* index, uint32_t minimum, uint32_t maximum,
                      uint32_t* value, std::string* error)
{
    const char* option = argv[*index];
    if (*index + 1 >= argc) {
        *error = std::string(option) + " needs a number";
        return false;
    }
    const char* text = argv[++*index];
    if (!ParseNumberArgument(text, minimum, maximum, value)) {
        *error = std::string(option) + " takes a number from " + std::to_string(minimum) + " to " +
                 std::to_string(maximum) + ", not '" + text + "'";
        return false;
    }
    return true;
}

bool IsHelpArgument(const char* argument)
{
    return strcmp(argument, "--help") == 0 || strcmp(argument, "-h") == 0 || strcmp(argument, "/?") == 0;
}
