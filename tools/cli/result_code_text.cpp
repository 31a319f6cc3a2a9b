#include "tools/cli/result_code_text.h"

#include <stdio.h>

std::string FormatResultCode(int32_t result)
{
    char text[16];
    snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}
