// The one line configuration the serial port runs with: the caller's baud
// rate, 8 data bits, no parity, DTR and RTS held on, no handshake of any
// kind, and every byte passed through as it came. Stop bits and the parity
// check stay as the device reported them: a receiver is not harmed by them.
#pragma once

#include <windows.h>

void ApplyLineSettings(DCB* dcb, DWORD baudRate);
