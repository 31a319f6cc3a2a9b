#include "tools/trace/find/listening_port.h"

#include "serial/com_port_path.h"
#include "serial/line_settings.h"

// A read returns what has come within 100 ms, so the listener keeps time.
static const COMMTIMEOUTS LISTENING_TIMEOUTS = {20, 0, 100, 0, 100};

bool ListeningPort::Fail()
{
    lastError = ErrorOfFailedCall();  // before the close can change it
    Close();
    return false;
}

bool ListeningPort::Open(uint32_t number)
{
    lastError = port.Open(ComPortPathOf(number).text);
    if (lastError != ERROR_SUCCESS)
        return false;
    COMMTIMEOUTS timeouts = LISTENING_TIMEOUTS;
    if (!SetCommTimeouts(port.Get(), &timeouts))
        return Fail();
    return true;
}

bool ListeningPort::SetBaudRate(uint32_t baudRate)
{
    LineCall failed = LineCall::GetCommState;
    lastError = SetLineSettings(port.Get(), baudRate, LineEnd::Listening, NULL, &failed);
    if (lastError != ERROR_SUCCESS) {
        // A port that cannot tell its line state is no use; a rate this
        // driver does not take leaves it open, for the others may do.
        if (failed == LineCall::GetCommState)
            Close();
        return false;
    }
    // Bytes queued at the old rate would count as heard at the new one, and
    // arrive faster than any rate carries them.
    if (!PurgeComm(port.Get(), PURGE_RXCLEAR))
        return Fail();
    DWORD flags = 0;
    (void)ClearCommError(port.Get(), &flags, NULL);  // the old rate's errors: dropped either way
    errors = LineErrors();
    return true;
}

void ListeningPort::CountLineErrors()
{
    DWORD flags = 0;
    COMSTAT status = {};
    if (!ClearCommError(port.Get(), &flags, &status))
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
    if (!port.IsOpen() || !ReadFile(port.Get(), buffer, capacity, &count, NULL)) {
        lastError = GetLastError();
        Sleep(100);  // a failing port must not make the listener spin
        return 0;
    }
    CountLineErrors();
    return count;
}
