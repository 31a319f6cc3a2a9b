#include "tools/cli/hex_bytes.h"

std::string FormatHexBytes(const uint8_t* bytes, size_t count)
{
    static const char DIGITS[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 3);
    for (size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += ' ';
        text += DIGITS[bytes[i] >> 4];
        text += DIGITS[bytes[i] & 0x0F];
    }
    return text;
}
