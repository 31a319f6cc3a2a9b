#include "tools/trace/find/listening_port.h"

#include "serial/com_port_path.h"
#include "serial/open_com_port.h"

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
    lastError = OpenComPortKeepingLine(&port, ComPortPathOf(number).text, LISTENING_TIMEOUTS).error;
    return lastError == ERROR_SUCCESS;
}

bool ListeningPort::SetBaudRate(uint32_t baudRate)
{
    const PortResult set = SetLineSettings(port.Get(), baudRate, LineEnd::Listening);
    lastError = set.error;
    if (!set.Succeeded()) {
        // A port that cannot tell its line state is no use; a rate this
        // driver does not take leaves it open, for the others may do.
        if (set.failedCall == PortCall::GetCommState)
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
    if (!port.IsOpen()) {
        Sleep(100);  // a closed port must not make the listener spin
        return 0;
    }
    if (!ReadFile(port.Get(), buffer, capacity, &count, NULL)) {
        lastError = ErrorOfFailedCall();
        Sleep(100);  // nor a failing one
        return 0;
    }
    CountLineErrors();
    return count;
}
