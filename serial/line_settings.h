// The one line configuration the serial port runs with: the caller's baud
// rate, 8 data bits, no parity, DTR and RTS held on, and no hardware
// handshake. Everything else stays as the device reported it.
#pragma once

#include <windows.h>

void ApplyLineSettings(DCB* dcb, DWORD baudRate);
