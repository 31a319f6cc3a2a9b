// The device path of a COM port by its number, "\\.\COM<number>": the form
// that opens every port, COM10 and above included. Every program here builds
// the path with this one function. Pure text, no platform calls, so it also
// builds natively.
#pragma once

#include <stdint.h>

// "\\.\COM" and the longest 64-bit number with its sign, and the terminator.
const unsigned COM_PORT_PATH_CAPACITY = 28;

struct ComPortPath {
    char text[COM_PORT_PATH_CAPACITY];
};

// The path for number, written as the decimal number it is: the port
// setting's signed numbers and the tools' unsigned ones alike.
ComPortPath ComPortPathOf(int64_t number);
