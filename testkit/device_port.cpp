#include "testkit/device_port.h"

#include "serial/open_com_port.h"

// The open of a test port: a test that cannot open its port fails on what it
// then cannot do, so the error itself is not needed.
static ComHandle OpenTestPort(TestPort port)
{
    ComHandle handle;
    (void)handle.Open(TestPortPath(port).c_str());
    return handle;
}

DevicePort::DevicePort(TestPort port, DWORD baudRate)
{
    // Writes may take up to 2 s, for a pair that is slow to carry them. A
    // port that cannot be set up is left closed, which the test then finds.
    (void)OpenComPort(&handle, TestPortPath(port).c_str(),
                      {baudRate, LineEnd::Sending, {40, 0, 300, 0, 2000}});
}

bool DevicePort::Send(const std::vector<uint8_t>& bytes)
{
    if (!handle.IsOpen())
        return false;
    size_t sent = 0;
    while (sent < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(handle.Get(), bytes.data() + sent, (DWORD)(bytes.size() - sent), &written, NULL) ||
            written == 0)
            return false;
        sent += written;
    }
    return FlushFileBuffers(handle.Get()) != FALSE;
}

bool DevicePort::SendQueued(const std::vector<uint8_t>& bytes, TestPort hostSide)
{
    return Send(bytes) && WaitUntilQueued(bytes.size(), hostSide);
}

void DevicePort::Purge()
{
    // A closed port has nothing queued; a refused purge leaves the bytes to
    // the test that expects none.
    if (handle.IsOpen())
        (void)PurgeComm(handle.Get(), PURGE_RXCLEAR | PURGE_TXCLEAR);
}

void DrainHostSide(TestPort port)
{
    const ComHandle host = OpenTestPort(port);
    if (!host.IsOpen())
        return;
    // Read until the line has been quiet for one time-out: a purge alone
    // misses bytes still in flight inside the pty pair. A port that just
    // opened takes its time-outs; were they refused, its own would serve.
    COMMTIMEOUTS quick = {20, 0, 50, 0, 0};
    (void)SetCommTimeouts(host.Get(), &quick);
    uint8_t scratch[256];
    DWORD got = 0;
    while (ReadFile(host.Get(), scratch, sizeof scratch, &got, NULL) && got > 0) {
    }
}

bool WaitUntilQueued(size_t bytes, TestPort hostSide)
{
    const ComHandle observer = OpenTestPort(hostSide);
    if (!observer.IsOpen()) {
        Sleep(1000);
        return true;
    }
    bool queued = false;
    for (int tries = 0; tries < 500 && !queued; ++tries) {
        DWORD errors = 0;
        COMSTAT status = {};
        if (!ClearCommError(observer.Get(), &errors, &status))
            break;
        queued = status.cbInQue >= bytes;
        if (!queued)
            Sleep(10);
    }
    return queued;
}
