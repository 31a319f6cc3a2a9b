#include "tools/sim/sim_port.h"

#include "serial/com_port_path.h"
#include "serial/open_com_port.h"
#include "tools/cli/windows_error.h"

// A write that the driver cannot finish in the bytes' own time on the wire
// and this much more means the port's queue is full (nobody takes the bytes
// at the other end, or a com0com pair emulates a blocked handshake): a real
// device's UART would have sent them into the void by then. Short, so that
// the frames that follow still go out at the device's rate.
static const DWORD WRITE_TIMEOUT_MS = 20;

bool SimPort::Open(uint32_t number, uint32_t baudRate, std::string* error)
{
    const std::string path = ComPortPathOf(number).text;
    // Until the first send, the time-out of no bytes at all.
    COMMTIMEOUTS timeouts;
    ZeroMemory(&timeouts, sizeof timeouts);
    timeouts.WriteTotalTimeoutConstant = WRITE_TIMEOUT_MS;
    const PortResult opened = OpenComPort(&port, path.c_str(), {baudRate, LineEnd::Sending, timeouts});
    if (opened.Succeeded()) {
        rate = baudRate;
        writeTimeout = WRITE_TIMEOUT_MS;
        return true;
    }
    const std::string why = ": " + DescribeWindowsError(opened.error);
    if (opened.failedCall == PortCall::CreateFile)
        *error = "could not open " + path + why;
    else if (opened.failedCall == PortCall::GetCommState)
        *error = "could not read the line settings of " + path + why;
    else if (opened.failedCall == PortCall::SetCommState)
        *error = "could not set " + path + " to " + std::to_string(baudRate) + " baud" + why;
    else
        *error = "could not set the time-outs of " + path + why;
    return false;
}

// The bytes' own time on the wire (ten bits a byte, in whole milliseconds)
// and WRITE_TIMEOUT_MS more, set only when it changes. A per-byte multiplier
// would round each byte up to a whole millisecond: ten times the wire time
// of a fast line.
bool SimPort::SetWriteTimeout(size_t bytes)
{
    const DWORD total = WRITE_TIMEOUT_MS + static_cast<DWORD>((bytes * 10000 + rate - 1) / rate);
    if (total == writeTimeout)
        return true;
    COMMTIMEOUTS timeouts;
    ZeroMemory(&timeouts, sizeof timeouts);
    timeouts.WriteTotalTimeoutConstant = total;
    if (!SetCommTimeouts(port.Get(), &timeouts))
        return false;
    writeTimeout = total;
    return true;
}

bool SimPort::Send(const std::vector<uint8_t>& bytes, size_t* notTaken, size_t* dropped, std::string* error)
{
    *notTaken = 0;
    *dropped = 0;
    if (!port.IsOpen()) {
        *error = "the port is not open";
        return false;
    }
    // A time-out that cannot be set leaves the one before: a write may then
    // wait a little longer or shorter, and is counted as any other.
    (void)SetWriteTimeout(bytes.size());
    DWORD written = 0;
    if (!WriteFile(port.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        const DWORD code = GetLastError();  // before any string work can change it
        *error = "write failed: " + DescribeWindowsError(code);
        return false;
    }
    if (written == bytes.size())
        return true;
    // A real device's UART would have sent the queued bytes into the void by
    // now: the queue nobody reads is emptied, so the next frames go out on
    // time instead of each waiting out the time-out.
    COMSTAT status = {};
    DWORD errors = 0;
    if (!ClearCommError(port.Get(), &errors, &status))
        status.cbOutQue = 0;                     // a queue the driver does not tell is not counted
    (void)PurgeComm(port.Get(), PURGE_TXCLEAR);  // a queue that stays only slows the next frames
    *notTaken = bytes.size() - written;
    *dropped = status.cbOutQue;
    return true;
}
