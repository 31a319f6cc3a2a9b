#include "serial/kv_serial.h"

#include <string.h>

#include "common/bounded_text.h"
#include "serial/com_port_path.h"
#include "serial/open_com_port.h"

// A one-byte read returns after PORT_READ_TIMEOUT_MS, empty when nothing
// arrived; within a burst, 40 ms of quiet ends a read. The packet reader
// relies on every read coming back so that its own time limit holds.
static const COMMTIMEOUTS FIXED_TIMEOUTS = {40, 0, PORT_READ_TIMEOUT_MS, 0, 300};

KVSerial::KVSerial()
    : auxBytes(NULL),
      auxLength(0),
      crlfBytes(NULL),
      crlfLength(0),
      crBytes(NULL),
      crLength(0),
      deviceGone(false),
      abortCleared(false),
      readFailed(false),
      lastOpen(PORT_SUCCEEDED)
{
    Reset();
}

KVSerial::~KVSerial()
{
    ClosePort();
    FreeArrays();
}

void KVSerial::CloseHandleIfOpen()
{
    deviceGone = false;
    abortCleared = false;
    readFailed = false;
    handle.Close();
}

void KVSerial::FreeArrays()
{
    delete[] auxBytes;
    auxBytes = NULL;
    delete[] crlfBytes;
    crlfBytes = NULL;
    delete[] crBytes;
    crBytes = NULL;
}

void KVSerial::Reset()
{
    ClosePort();  // gives the handle up as well
    taps.DetachAll();
    FreeArrays();
    auxLength = 0;

    portPath[0] = '\0';
    lastOpen = PORT_SUCCEEDED;
    memset(&timeouts, 0, sizeof timeouts);

    // Every port object carries the line terminators CR LF and CR, made anew
    // at each reset, for whoever writes lines to its device. The plug-in only
    // listens, so nothing in it reads them, but they are part of what a port
    // object is: keep them. They are also the module's only allocations, one
    // pair per port object (the component's at load, the dialog's at each
    // probe of a port).
    crlfLength = 2;
    crlfBytes = new uint8_t[crlfLength];
    crlfBytes[0] = 0x0D;
    crlfBytes[1] = 0x0A;

    crLength = 1;
    crBytes = new uint8_t[crLength];
    crBytes[0] = 0x0D;
}

int KVSerial::FailOpen()
{
    CloseHandleIfOpen();
    taps.Step("KVSerial: Port Closed");
    return 0;
}

int KVSerial::OpenPort(const char* path, uint32_t baudRate)
{
    if (handle.IsOpen()) {
        CloseHandleIfOpen();
        taps.Step("KVSerial: Port Closed");
    }
    // A longer path is cut to what portPath holds; the open then fails or
    // names the cut path in the log.
    if (path != NULL)
        (void)BoundedCopy(portPath, sizeof portPath, path);

    // Without its time-outs the port could block a read for ever, and the
    // caller's time limit with it: such a port is not usable.
    timeouts = FIXED_TIMEOUTS;
    // The port's result says only that the open failed; which call refused
    // and its error are kept for a tool's message.
    lastOpen = OpenComPort(&handle, portPath, {baudRate, LineEnd::Listening, timeouts});
    if (lastOpen.failedCall == PortCall::CreateFile) {
        taps.Step("KVSerial: Open Port %s Failed", portPath);
        return FailOpen();
    }
    // The device opened: its line and time-outs were tried after it, and
    // the log tells them in that order.
    taps.Step("KVSerial: Successfully opened %s", portPath);
    switch (lastOpen.failedCall) {
    case PortCall::GetCommState:
        taps.Step("KVSerial: GetCommState Failed");
        return FailOpen();
    case PortCall::SetCommState:
        taps.Step("KVSerial: SetCommState Failed");
        return FailOpen();
    case PortCall::SetCommTimeouts:
        taps.Step("KVSerial: SetCommTimeouts Failed");
        return FailOpen();
    case PortCall::None:
    case PortCall::CreateFile:  // reported above
        break;
    }
    taps.Step("KVSerial: %s opened at %i baud", portPath, (int)baudRate);
    return 1;
}

OpenStep KVSerial::FailedOpenStep() const
{
    switch (lastOpen.failedCall) {
    case PortCall::CreateFile:
        return OpenStep::OpenDevice;
    case PortCall::GetCommState:
    case PortCall::SetCommState:
        return OpenStep::LineSettings;
    case PortCall::SetCommTimeouts:
        return OpenStep::Timeouts;
    case PortCall::None:
        break;
    }
    return OpenStep::None;
}

int KVSerial::OpenComNumber(uint32_t number)
{
    // The longest path fits easily; the cut that cannot happen is ignored.
    (void)BoundedCopy(portPath, sizeof portPath, ComPortPathOf(number).text);
    return OpenPort(NULL, 9600);
}

void KVSerial::ClosePort()
{
    CloseHandleIfOpen();
    taps.Step("KVSerial: Port Closed");
}

BOOL KVSerial::PurgePort(bool clearTransmit, bool clearReceive)
{
    // Only the queues are cleared; a pending read is not cancelled.
    DWORD flags = 0;
    if (clearTransmit)
        flags |= PURGE_TXCLEAR;
    if (clearReceive)
        flags |= PURGE_RXCLEAR;
    // Not checked for a closed port on purpose: Windows itself refuses the
    // invalid handle, and 0 comes back.
    return PurgeComm(handle.Get(), flags);
}

BOOL KVSerial::GetPortTimeouts(COMMTIMEOUTS* out)
{
    if (!handle.IsOpen())
        return 0;
    const BOOL result = GetCommTimeouts(handle.Get(), &timeouts);
    if (!result)
        return 0;
    if (out != NULL)
        *out = timeouts;
    return result;
}

BOOL KVSerial::SetPortTimeouts(const COMMTIMEOUTS* in)
{
    if (!handle.IsOpen() || in == NULL)
        return 0;
    // Read first, so that a refused device is left untouched.
    if (!GetCommTimeouts(handle.Get(), &timeouts))
        return 0;
    timeouts = *in;
    return SetCommTimeouts(handle.Get(), &timeouts);
}

// The errors with which Windows fails a read once the device is gone: access
// denied, an invalid handle, bad command, a device that no longer functions,
// a device not connected, a device removed. They decide at once. An abort
// (995) is also what one line error gives a port that aborts on errors; only
// an abort again after the clear means the device.
static bool ReadErrorMeansDeviceGone(DWORD error, bool abortCleared)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_HANDLE:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
        return true;
    case ERROR_OPERATION_ABORTED:
        return abortCleared;
    default:
        return false;
    }
}

DWORD KVSerial::ReadByte(uint8_t* buffer)
{
    if (!handle.IsOpen() || buffer == NULL)
        return 0;
    DWORD count = 0;
    if (!ReadFile(handle.Get(), buffer, 1, &count, NULL)) {
        const DWORD error = GetLastError();
        readFailed = true;
        // A framing or overrun error stays latched in the driver until it is
        // cleared. The clear also decides what the read's error alone cannot:
        // drivers fail reads of a removed device with codes no list holds,
        // but the status call of a device that is gone fails as well.
        DWORD lineErrors = 0;
        const bool statusFailed = !ClearCommError(handle.Get(), &lineErrors, NULL);
        deviceGone = statusFailed || ReadErrorMeansDeviceGone(error, abortCleared);
        abortCleared = error == ERROR_OPERATION_ABORTED;
        taps.Step(deviceGone ? "KVSerial: Read Failed (error %lu): the device is gone"
                             : "KVSerial: Read Failed (error %lu): line errors cleared",
                  (unsigned long)error);
        return 0;
    }
    abortCleared = false;
    readFailed = false;
    if (count == 0) {
        // Some drivers report a pulled-out adapter as silence: the read
        // succeeds empty for ever, and only the port's status call fails. A
        // quiet line answers it; while bytes flow it is never asked.
        DWORD lineErrors = 0;
        deviceGone = !ClearCommError(handle.Get(), &lineErrors, NULL);
        if (deviceGone)
            taps.Step("KVSerial: ClearCommError Failed (error %lu): the device is gone",
                      (unsigned long)GetLastError());
        return 0;
    }
    taps.BytesRead(buffer, count);
    return count;
}

uint32_t KVSerial::InputQueue(uint32_t* lineErrors)
{
    *lineErrors = 0;
    if (!handle.IsOpen())
        return 0;
    DWORD errors = 0;
    COMSTAT status = {};
    // A refused status call tells nothing of the queue: 0 is all there is to say.
    if (!ClearCommError(handle.Get(), &errors, &status))
        return 0;
    *lineErrors = errors;
    return status.cbInQue;
}
