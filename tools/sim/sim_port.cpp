#include "tools/sim/sim_port.h"

#include <stdio.h>

#include "tools/cli/windows_error.h"

// A write that the driver cannot finish in the bytes' own time on the wire
// and this much more means nobody takes them at the other end (or a com0com
// pair emulates a blocked handshake): a real device's UART would have sent
// them into the void by then.
static const DWORD WRITE_TIMEOUT_MS = 100;

SimPort::SimPort() : handle(INVALID_HANDLE_VALUE) {}

SimPort::~SimPort()
{
    Close();
}

bool SimPort::Open(uint32_t number, uint32_t baudRate, std::string* error)
{
    Close();
    char path[32];
    snprintf(path, sizeof path, "\\\\.\\COM%u", number);
    handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();  // before any string work can change it
        *error = std::string("could not open ") + path + ": " + DescribeWindowsError(code);
        return false;
    }
    DCB dcb;
    ZeroMemory(&dcb, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb)) {
        const DWORD code = GetLastError();  // before any string work can change it
        *error = std::string("could not read the line settings of ") + path + ": " +
                 DescribeWindowsError(code);
        Close();
        return false;
    }
    dcb.BaudRate = baudRate;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;  // a device that sends regardless, like the real ones
    dcb.fOutxDsrFlow = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    if (!SetCommState(handle, &dcb)) {
        const DWORD code = GetLastError();  // before any string work can change it
        *error = std::string("could not set ") + path + " to " + std::to_string(baudRate) +
                 " baud: " + DescribeWindowsError(code);
        Close();
        return false;
    }
    COMMTIMEOUTS timeouts;
    ZeroMemory(&timeouts, sizeof timeouts);
    timeouts.WriteTotalTimeoutConstant = WRITE_TIMEOUT_MS;
    // Ten bits a byte, in whole milliseconds a byte: at least one.
    timeouts.WriteTotalTimeoutMultiplier = (10000 + baudRate - 1) / baudRate;
    if (!SetCommTimeouts(handle, &timeouts)) {
        const DWORD code = GetLastError();  // before any string work can change it
        *error = std::string("could not set the time-outs of ") + path + ": " +
                 DescribeWindowsError(code);
        Close();
        return false;
    }
    return true;
}

bool SimPort::Send(const std::vector<uint8_t>& bytes, bool* taken, std::string* error)
{
    *taken = false;
    if (handle == INVALID_HANDLE_VALUE) {
        *error = "the port is not open";
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
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
        (void)PurgeComm(handle, PURGE_TXCLEAR);
    return true;
}

void SimPort::Close()
{
    if (handle == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(handle);  // nothing useful to do if closing fails
    handle = INVALID_HANDLE_VALUE;
}
