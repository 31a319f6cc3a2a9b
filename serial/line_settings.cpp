#include "serial/line_settings.h"

#include "serial/com_handle.h"

void ApplyLineSettings(DCB* dcb, DWORD baudRate, LineEnd end)
{
    dcb->BaudRate = baudRate;
    dcb->ByteSize = 8;
    dcb->Parity = NOPARITY;
    // The device sends whenever it likes: no handshake line may hold back
    // the line, and DSR does not gate what is received.
    dcb->fOutxCtsFlow = 0;
    dcb->fOutxDsrFlow = 0;
    dcb->fDsrSensitivity = 0;
    // Some devices only send while DTR and RTS are on.
    dcb->fDtrControl = DTR_CONTROL_ENABLE;
    dcb->fRtsControl = RTS_CONTROL_ENABLE;
    // Another program (a terminal, say) may have left these on, and the driver
    // keeps them until someone changes them. Each would cost the frames:
    // XON/XOFF output control swallows every 0x11 and 0x13 received, XON/XOFF
    // input control makes the driver send to a device the plug-in must never
    // send to, fNull drops every 0x00 (so no frame start is ever seen),
    // fErrorChar replaces bytes, and fAbortOnError fails every read after one
    // framing or overrun error.
    dcb->fBinary = 1;
    dcb->fOutX = 0;
    dcb->fInX = 0;
    dcb->fNull = 0;
    dcb->fErrorChar = 0;
    dcb->fAbortOnError = 0;
    if (end == LineEnd::Sending) {
        dcb->StopBits = ONESTOPBIT;
        dcb->fParity = 0;
    }
}

PortResult SetLineSettings(HANDLE device, DWORD baudRate, LineEnd end)
{
    DCB state = {};
    state.DCBlength = sizeof state;
    // The device's state first, so that what these settings leave alone
    // stays as the device had it.
    if (!GetCommState(device, &state))
        return PortCallFailed(PortCall::GetCommState);
    ApplyLineSettings(&state, baudRate, end);
    if (!SetCommState(device, &state))
        return PortCallFailed(PortCall::SetCommState);
    return PORT_SUCCEEDED;
}
