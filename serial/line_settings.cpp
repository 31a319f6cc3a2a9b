#include "serial/line_settings.h"

void ApplyLineSettings(DCB* dcb, DWORD baudRate)
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
}
