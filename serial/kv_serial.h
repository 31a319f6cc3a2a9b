// KVSerial owns one COM device, opened for exclusive synchronous use with one
// fixed line configuration (the caller's baud rate, 8 data bits, no parity,
// DTR and RTS on, binary, no handshake or flow control of any kind) and short
// fixed time-outs. It only listens: there is no write operation. Every
// notable step and every byte read goes to the taps attached; none is
// attached unless a caller asks for one. Its results are those its callers
// have always had (1 or 0, a BOOL, a byte count); underneath, it is built on
// the pieces every port here shares: ComHandle, ComPortPathOf and
// OpenComPort.
#pragma once

#include <stdint.h>
#include <windows.h>

#include "serial/com_handle.h"
#include "serial/debug_output.h"
#include "serial/port_result.h"
#include "serial/port_taps.h"

// The port's read time-out: a one-byte read returns after at most this long,
// empty when nothing arrived.
const DWORD PORT_READ_TIMEOUT_MS = 300;

// The steps of OpenPort, to say which one refused.
enum class OpenStep { None, OpenDevice, LineSettings, Timeouts };

class KVSerial {
public:
    KVSerial();
    ~KVSerial();

    // Closes the device and returns every field to its freshly made state.
    void Reset();

    // Opens path (or, for a null path, whatever portPath holds) at baudRate,
    // closing any device already open. 1 when open and configured, else 0.
    int OpenPort(const char* path, uint32_t baudRate);
    // Opens "\\.\COM<number>" at 9600 baud.
    int OpenComNumber(uint32_t number);
    void ClosePort();

    // PurgeComm with PURGE_TXCLEAR and/or PURGE_RXCLEAR; non-zero on success.
    BOOL PurgePort(bool clearTransmit, bool clearReceive);
    // The device's time-outs, refreshed into `timeouts` and copied to out
    // when out is not null; non-zero on success, 0 when closed or refused.
    BOOL GetPortTimeouts(COMMTIMEOUTS* out);
    // Applies the five values; non-zero on success, 0 when closed or refused.
    BOOL SetPortTimeouts(const COMMTIMEOUTS* in);

    // One blocking read of one byte: 1 when a byte arrived, 0 on time-out,
    // failure or a closed port. After a failed or empty read the device's
    // line errors are cleared, so that one framing or overrun error does not
    // fail the reads after it.
    DWORD ReadByte(uint8_t* buffer);
    // The bytes waiting in the device's input queue, from its status call
    // (which also clears latched line errors); 0 when closed or refused. The
    // CE_ flags that call cleared go to lineErrors (0 when closed or refused).
    uint32_t InputQueue(uint32_t* lineErrors);

    bool IsOpen() const { return handle.IsOpen(); }
    // The latest read failed, or came back empty, and the port's status call
    // after it failed too; or it failed with an error Windows gives only once
    // the device behind the handle is gone (a USB adapter pulled out): no
    // later read on this handle can succeed. Cleared by the next open or close.
    bool DeviceGone() const { return deviceGone; }
    // The latest read failed (rather than timing out empty). Cleared by the
    // next read that succeeds, and by the next open or close.
    bool ReadFailed() const { return readFailed; }
    const char* PortPath() const { return portPath; }
    // Why the latest OpenPort failed: the call that refused (OpenStep::None
    // after one that succeeded) and its Windows error, for a message.
    OpenStep FailedOpenStep() const;
    DWORD OpenError() const { return lastOpen.error; }

    // The port's steps and bytes go to each tap attached, beside the others
    // (see PortTaps). Not owned; a tap must stay alive while attached. Reset
    // detaches every tap.
    bool AttachTap(PortTap* tap) { return taps.Attach(tap); }
    void DetachTap(const PortTap* tap) { taps.Detach(tap); }
    // The log written to an edit control, for diagnostics and tests: a tap
    // of the port's own beside any others (a null sink detaches it). Not
    // owned.
    void AttachLogSink(KVDebugOutput* sink)
    {
        sinkLog.SetSink(sink);
        if (sink != NULL)
            (void)taps.Attach(&sinkLog);  // a diagnostic: with every slot taken it is left out
        else
            taps.Detach(&sinkLog);
    }

private:
    KVSerial(const KVSerial&);
    KVSerial& operator=(const KVSerial&);

    void CloseHandleIfOpen();
    int FailOpen();
    void FreeArrays();

    ComHandle handle;
    PortTaps taps;
    EditControlLog sinkLog;  // the tap AttachLogSink attaches
    char portPath[MAX_PATH];
    COMMTIMEOUTS timeouts;
    uint8_t* auxBytes;
    uint32_t auxLength;
    uint8_t* crlfBytes;
    uint32_t crlfLength;
    uint8_t* crBytes;
    uint32_t crLength;
    bool deviceGone;
    // The read before failed as aborted, and the line errors were cleared:
    // another abort now means the device itself is gone.
    bool abortCleared;
    bool readFailed;
    PortResult lastOpen;  // of the latest OpenPort
};
