// The device's end of a virtual COM pair: what a test writes here arrives at
// the other end as if an Ardun device had sent it.
#pragma once

#include <stdint.h>
#include <windows.h>

#include <vector>

#include "serial/com_handle.h"
#include "testkit/test_ports.h"

class DevicePort {
public:
    // Opens the port with the line settings of a device's sending end; a
    // port that cannot be opened or set up is left closed.
    explicit DevicePort(TestPort port = DEVICE_SIDE, DWORD baudRate = 115200);

    bool IsOpen() const { return handle.IsOpen(); }
    // Writes all bytes and waits until they have left; false on failure.
    bool Send(const std::vector<uint8_t>& bytes);
    // Sends, then waits until the bytes wait in the host end's input queue,
    // so that a read that follows cannot find the line silent because the
    // pair was slow to carry them. For a host end that nothing else reads.
    bool SendQueued(const std::vector<uint8_t>& bytes, TestPort hostSide = HOST_SIDE);
    // Discards whatever is queued at this end, in both directions.
    void Purge();

private:
    ComHandle handle;
};

// Waits until at least `bytes` bytes wait in the host end's input queue
// (looked at through a second handle, which Wine allows; where a second open
// is refused, it waits a generous fixed time instead). False after 5 s.
bool WaitUntilQueued(size_t bytes, TestPort hostSide = HOST_SIDE);

// Discards what is queued at the host end of the pair, so that each test
// starts from a quiet line.
void DrainHostSide(TestPort port = HOST_SIDE);
