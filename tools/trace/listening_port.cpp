#include "tools/trace/listening_port.h"

#include <stdio.h>

#include "serial/line_settings.h"

// A read returns what has come within 100 ms, so the listener keeps time.
static const COMMTIMEOUTS LISTENING_TIMEOUTS = {20, 0, 100, 0, 100};

bool ListeningPort::Fail()
{
    lastError = GetLastError();  // before the close can change it
    Close();
    return false;
}

bool ListeningPort::Open(uint32_t number)
{
    Close();
    char path[32];
    snprintf(path, sizeof path, "\\\\.\\COM%u", (unsigned)number);
    handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return Fail();
    COMMTIMEOUTS timeouts = LISTENING_TIMEOUTS;
    if (!SetCommTimeouts(handle, &timeouts))
        return Fail();
    return true;
}

bool ListeningPort::SetBaudRate(uint32_t baudRate)
{
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb))
        return Fail();
    ApplyLineSettings(&dcb, baudRate);
    if (!SetCommState(handle, &dcb)) {
        lastError = GetLastError();  // a rate this driver does not take; the others may do
        return false;
    }
    // Bytes queued at the old rate would count as heard at the new one, and
    // arrive faster than any rate carries them.
    if (!PurgeComm(handle, PURGE_RXCLEAR))
        return Fail();
    DWORD flags = 0;
    (void)ClearCommError(handle, &flags, NULL);  // the old rate's errors: dropped either way
    errors = LineErrors();
    return true;
}

void ListeningPort::CountLineErrors()
{
    DWORD flags = 0;
    COMSTAT status = {};
    if (!ClearCommError(handle, &flags, &status))
        return;  // a driver that cannot say leaves the counts as they are
    ++errors.reads;
    errors.framing += (flags & CE_FRAME) != 0;
    errors.overrun += (flags & (CE_OVERRUN | CE_RXOVER)) != 0;
    errors.parity += (flags & CE_RXPARITY) != 0;
    errors.breaks += (flags & CE_BREAK) != 0;
}

DWORD ListeningPort::Read(uint8_t* buffer, DWORD capacity)
{
    DWORD count = 0;
    if (handle == INVALID_HANDLE_VALUE || !ReadFile(handle, buffer, capacity, &count, NULL)) {
        lastError = GetLastError();
        Sleep(100);  // a failing port must not make the listener spin
        return 0;
    }
    CountLineErrors();
    return count;
}

void ListeningPort::Close()
{
    if (handle != INVALID_HANDLE_VALUE)
        (void)CloseHandle(handle);  // nothing more to do about a failed close
    handle = INVALID_HANDLE_VALUE;
}
