// One line of a hex dump, built without any platform call so that it can be
// exercised on its own: a hex field of exactly 48 characters ("%02X " per
// byte, three blanks per missing byte) followed by one character per byte,
// the byte itself when printable and "." otherwise.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Bytes shown on one line.
const size_t HEX_DUMP_BYTES_PER_LINE = 16;
// Width of the hex field, whatever the number of bytes.
const size_t HEX_DUMP_HEX_FIELD_WIDTH = 3 * HEX_DUMP_BYTES_PER_LINE;
// Size of the line buffer the log uses; a line needs at most 64 characters.
const size_t HEX_DUMP_LINE_CAPACITY = 256;

// The log's heading of a dump, the line before the bytes' lines.
extern const char HEX_DUMP_HEADING[];

// Writes the line for the first min(count, 16) bytes of data into line, never
// past capacity characters (terminator included); line ends NUL-terminated
// whenever capacity is not 0. Returns the number of bytes shown.
size_t BuildHexDumpLine(const uint8_t* data, size_t count, char* line, size_t capacity);

// Hands the log's dump of count bytes to take, line by line: the heading,
// then lines of up to 16 bytes, each after its offset from the dump's first
// byte ("0010: 41 42 ..."). Nothing for no bytes.
void ForEachHexDumpLine(const uint8_t* data, size_t count, void (*take)(const char* line, void* context),
                        void* context);
