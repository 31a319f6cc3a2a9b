// The one line configuration every port here runs with: the caller's baud
// rate, 8 data bits, no parity, DTR and RTS held on, no handshake of any
// kind, and every byte passed through as it came. A listening end keeps the
// stop bits and the parity check as the device reported them: a receiver is
// not harmed by them. A sending end, one that plays the device, sends one
// stop bit and no parity, as the boards do.
#pragma once

#include <windows.h>

#include "serial/port_result.h"

enum class LineEnd { Listening, Sending };

void ApplyLineSettings(DCB* dcb, DWORD baudRate, LineEnd end = LineEnd::Listening);

// Reads the open device's line state (GetCommState), applies the line
// settings and writes the state back (SetCommState).
PortResult SetLineSettings(HANDLE device, DWORD baudRate, LineEnd end);
