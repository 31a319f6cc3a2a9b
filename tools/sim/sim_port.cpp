#include "tools/sim/sim_port.h"

#include "serial/com_port_path.h"
#include "serial/line_settings.h"
#include "tools/cli/windows_error.h"

// A write that the driver cannot finish in the bytes' own time on the wire
// and this much more means nobody takes them at the other end (or a com0com
// pair emulates a blocked handshake): a real device's UART would have sent
// them into the void by then.
static const DWORD WRITE_TIMEOUT_MS = 100;

bool SimPort::Open(uint32_t number, uint32_t baudRate, std::string* error)
{
    const std::string path = ComPortPathOf(number).text;
    DWORD code = port.Open(path.c_str());
    if (code != ERROR_SUCCESS) {
        *error = "could not open " + path + ": " + DescribeWindowsError(code);
        return false;
    }
    LineCall failed = LineCall::GetCommState;
    code = SetLineSettings(port.Get(), baudRate, LineEnd::Sending, nullptr, &failed);
    if (code != ERROR_SUCCESS) {
        *error = failed == LineCall::GetCommState
                     ? "could not read the line settings of " + path + ": " + DescribeWindowsError(code)
                     : "could not set " + path + " to " + std::to_string(baudRate) +
                           " baud: " + DescribeWindowsError(code);
        port.Close();
        return false;
    }
    COMMTIMEOUTS timeouts;
    ZeroMemory(&timeouts, sizeof timeouts);
    timeouts.WriteTotalTimeoutConstant = WRITE_TIMEOUT_MS;
    // Ten bits a byte, in whole milliseconds a byte: at least one.
    timeouts.WriteTotalTimeoutMultiplier = (10000 + baudRate - 1) / baudRate;
    if (!SetCommTimeouts(port.Get(), &timeouts)) {
        code = ErrorOfFailedCall();  // before any string work can change it
        *error = "could not set the time-outs of " + path + ": " + DescribeWindowsError(code);
        port.Close();
        return false;
    }
    return true;
}

bool SimPort::Send(const std::vector<uint8_t>& bytes, bool* taken, std::string* error)
{
    *taken = false;
    if (!port.IsOpen()) {
        *error = "the port is not open";
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(port.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        const DWORD code = GetLastError();  // before any string work can change it
        *error = "write failed: " + DescribeWindowsError(code);
        return false;
    }
    *taken = written == bytes.size();
    // A real device's UART would have sent the queued bytes into the void by
    // now: the queue nobody reads is emptied, so the next frames go out on
    // time instead of each waiting out the time-out. A queue that stays is
    // only slower.
    if (!*taken)
        (void)PurgeComm(port.Get(), PURGE_TXCLEAR);
    return true;
}
