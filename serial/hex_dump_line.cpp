#include "serial/hex_dump_line.h"

#include <ctype.h>
#include <string.h>

#include "common/bounded_text.h"

const char HEX_DUMP_HEADING[] = "KVSerial: Read";

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

void ForEachHexDumpLine(const uint8_t* data, size_t count, void (*take)(const char* line, void* context),
                        void* context)
{
    if (data == NULL || count == 0)
        return;
    take(HEX_DUMP_HEADING, context);
    for (size_t offset = 0; offset < count;) {
        char bytes[HEX_DUMP_LINE_CAPACITY];
        const size_t shown = BuildHexDumpLine(data + offset, count - offset, bytes, sizeof bytes);
        char line[HEX_DUMP_LINE_CAPACITY];
        // Four hex digits, as the log has always shown: a longer dump's offset only grows wider.
        (void)BoundedPrintf(line, sizeof line, "%04X: %s", (unsigned)offset,
                            bytes);  // fits: at most 70 characters
        take(line, context);
        offset += shown;
    }
}
