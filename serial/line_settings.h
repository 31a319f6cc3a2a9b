// The one line configuration the serial port runs with: the caller's baud
// rate, 8 data bits, no parity, DTR and RTS held on, and no hardware
// handshake. Everything else stays as the device reported it.
#pragma once

#include <windows.h>

// Flag-word bits that ApplyLineSettings clears (CTS and DSR output flow,
// the upper bit of the DTR control, DSR sensitivity, the upper bit of the RTS
// control) and then sets (DTR and RTS control "enable").
const DWORD LINE_FLAGS_CLEARED = 0x206C;
const DWORD LINE_FLAGS_SET = 0x1010;

void ApplyLineSettings(DCB* dcb, DWORD baudRate);
