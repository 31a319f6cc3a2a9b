#include "tools/cli/number_argument.h"

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
