// The host's calls on the component, for whoever records what the host does
// (the plug-in's host activity publisher): each call after the component
// answered it, with what the host asked and what came of it. A receiver
// overrides what it wants; the rest is ignored. The port's own steps and
// bytes are not here: they come through a PortTap.
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

class ComponentEvents {
public:
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
    // A host Write or Read begins. True when the receiver wants it: the
    // port's queue asked as it begins, the request timed, and RequestEnded
    // called for it. While no receiver wants it, the request is spared all
    // three, each a call the host would pay for.
    virtual bool RequestBegins() { return true; }
    // The bytes read during the request went to the port's taps before this.
    virtual void RequestEnded(const PortRequestEvent& request) { (void)request; }
    // The device went away under the open port, and came back for a request.
    virtual void PortLost() {}
    virtual void PortBack() {}

protected:
    ~ComponentEvents() {}
};
