// Something outside the port and the component that wants to know what they
// do: each step of the port as the log's line, every byte the port reads as
// it received it, and each of the host's calls on the component with what it
// asked and what came of it. The edit-control log, the trace and the plug-in's
// host activity area are receivers. Each receiver overrides what it wants; the
// rest is ignored. With none attached, the port and the component test one
// pointer and format nothing.
#pragma once

#include <stdint.h>
#include <windows.h>

#include "common/result_codes.h"

// Which queue a host's purge cleared.
enum class PortPurge { Input, Output };

// Which of the host's calls a packet request came from.
enum class PortRequestKind { Write, Read };

// One host Write or Read, as the component answered it.
struct PortRequestEvent {
    PortRequestKind kind;
    uint32_t requested;  // the N the host asked for (0 for a Write that was no P, N request)
    ResultCode result;   // what the host got back
    uint32_t stored;     // payload bytes this request collected
    uint32_t skipped;    // bytes passed over before the frame start, the leading byte included
    uint32_t durationMicroseconds;
    uint32_t inputQueue;  // bytes waiting in the port's input queue when the request began
    uint32_t lineErrors;  // the CE_ flags of that same status call
};

class PortObserver {
public:
    // One step of the port, as the log words it ("KVSerial: Port Closed").
    // line is valid only during the call.
    virtual void PortStep(const char* line) { (void)line; }
    // count bytes just read, at least one; data is valid only during the call.
    virtual void BytesRead(const uint8_t* data, uint32_t count)
    {
        (void)data;
        (void)count;
    }

    // The host's calls on the component, after the component answered.
    virtual void Opened(const char* path, uint32_t baudRate, ResultCode result)
    {
        (void)path;
        (void)baudRate;
        (void)result;
    }
    virtual void Closed(ResultCode result) { (void)result; }
    virtual void TimeoutsSet(const COMMTIMEOUTS& timeouts, ResultCode result)
    {
        (void)timeouts;
        (void)result;
    }
    virtual void Purged(PortPurge queue, ResultCode result)
    {
        (void)queue;
        (void)result;
    }
    // A host Write or Read begins. True when the observer wants it: the
    // port's queue asked as it begins, the request timed, and RequestEnded
    // called for it. False spares the request all three, each a call the
    // host would pay for.
    virtual bool RequestBegins() { return true; }
    // The bytes read during the request came through BytesRead before this.
    virtual void RequestEnded(const PortRequestEvent& request) { (void)request; }
    // The device went away under the open port, and came back for a request.
    virtual void PortLost() {}
    virtual void PortBack() {}

protected:
    ~PortObserver() {}
};

// Formats one step (cut to 4095 characters) and hands it to the observer;
// with no observer, returns after the test and formats nothing. Not re-entrant.
void ReportPortStep(PortObserver* observer, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
