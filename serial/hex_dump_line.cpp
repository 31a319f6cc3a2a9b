#include "serial/hex_dump_line.h"

#include <ctype.h>
#include <string.h>

#include "common/bounded_text.h"

size_t BuildHexDumpLine(const uint8_t* data, size_t count, char* line, size_t capacity)
{
    if (capacity == 0)
        return 0;
    memset(line, 0, capacity);
    const size_t shown = count < HEX_DUMP_BYTES_PER_LINE ? count : HEX_DUMP_BYTES_PER_LINE;
    // Each piece goes after what is already there, limited to the room left;
    // a cut piece only shortens the line.
    size_t used = 0;
    for (size_t i = 0; i < HEX_DUMP_BYTES_PER_LINE && used < capacity - 1; ++i) {
        // cppcheck-suppress knownConditionTrueFalse ; it judges by a count of 0 alone
        if (i < shown)
            (void)BoundedPrintf(line + used, capacity - used, "%02X ", data[i]);
        else
            (void)BoundedPrintf(line + used, capacity - used, "   ");
        used += strlen(line + used);
    }
    // cppcheck-suppress knownConditionTrueFalse ; as above
    for (size_t i = 0; i < shown && used < capacity - 1; ++i) {
        // isprint takes the byte as unsigned: a plain char above 0x7F would
        // be a negative argument.
        const int shownCharacter = isprint(data[i]) ? data[i] : '.';
        (void)BoundedPrintf(line + used, capacity - used, "%c", shownCharacter);
        used += strlen(line + used);
    }
    return shown;
}
