#include "testkit/device_port.h"

DevicePort::DevicePort(TestPort port, DWORD baudRate)
    : handle(CreateFileA(TestPortPath(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0,
                         NULL))
{
    if (handle == INVALID_HANDLE_VALUE)
        return;
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS timeouts = {40, 0, 300, 0, 2000};
    if (!GetCommState(handle, &dcb)) {
        CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
        return;
    }
    dcb.BaudRate = baudRate;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    if (!SetCommState(handle, &dcb) || !SetCommTimeouts(handle, &timeouts)) {
        CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
}

DevicePort::~DevicePort()
{
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
}

bool DevicePort::Send(const std::vector<uint8_t>& bytes)
{
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    size_t sent = 0;
    while (sent < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data() + sent, (DWORD)(bytes.size() - sent), &written, NULL) ||
            written == 0)
            return false;
        sent += written;
    }
    return FlushFileBuffers(handle) != FALSE;
}

bool DevicePort::SendQueued(const std::vector<uint8_t>& bytes, TestPort hostSide)
{
    return Send(bytes) && WaitUntilQueued(bytes.size(), hostSide);
}

void DevicePort::Purge()
{
    if (handle != INVALID_HANDLE_VALUE)
        PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
}

void DrainHostSide(TestPort port)
{
    HANDLE host = CreateFileA(TestPortPath(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL,
                              OPEN_EXISTING, 0, NULL);
    if (host == INVALID_HANDLE_VALUE)
        return;
    // Read until the line has been quiet for one time-out: a purge alone
    // misses bytes still in flight inside the pty pair.
    COMMTIMEOUTS quick = {20, 0, 50, 0, 0};
    SetCommTimeouts(host, &quick);
    uint8_t scratch[256];
    DWORD got = 0;
    while (ReadFile(host, scratch, sizeof scratch, &got, NULL) && got > 0) {
    }
    CloseHandle(host);
}

bool WaitUntilQueued(size_t bytes, TestPort hostSide)
{
    HANDLE observer = CreateFileA(TestPortPath(hostSide).c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL,
                                  OPEN_EXISTING, 0, NULL);
    if (observer == INVALID_HANDLE_VALUE) {
        Sleep(1000);
        return true;
    }
    bool queued = false;
    for (int tries = 0; tries < 500 && !queued; ++tries) {
        DWORD errors = 0;
        COMSTAT status = {};
        if (!ClearCommError(observer, &errors, &status))
            break;
        queued = status.cbInQue >= bytes;
        if (!queued)
            Sleep(10);
    }
    CloseHandle(observer);
    return queued;
}
