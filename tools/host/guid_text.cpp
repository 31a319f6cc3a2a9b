#include "tools/host/guid_text.h"

#include <stdio.h>

std::string FormatGuidText(const uint8_t b[16])
{
    char text[40];
    snprintf(text, sizeof text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X",
             b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
             b[14], b[15]);
    return text;
}
