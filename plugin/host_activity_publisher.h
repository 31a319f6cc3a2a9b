// The plug-in's record of what its host does: a receiver of the component's
// events (and a tap of its port, for the bytes each request reads, never its
// steps) that writes each of the host's calls into the host activity area, a named
// shared-memory block that ardun-trace --watch reads from another process.
// The host notices nothing: no result, file or call of its own changes, the
// writer never waits and allocates nothing once the area is made, and where
// the area cannot be made nothing is observed at all. Each copy of the
// plug-in in a process publishes its own area. Its Write and Read requests
// are published only while a watcher says it is there: with nobody watching,
// a request costs no status call and no clock reading.
#pragma once

#include <stdint.h>
#include <windows.h>

#include "common/kernel_handle.h"
#include "common/mapped_view.h"
#include "common/performance_clock.h"
#include "parser/component_events.h"
#include "plugin/host_activity_ring.h"
#include "plugin/watcher_presence.h"
#include "serial/port_tap.h"

class HostActivityPublisher final : public PortTap, public ComponentEvents {
public:
    HostActivityPublisher();

    // Makes this copy's area and lays it out: the first area of this process
    // whose writer's mark no other copy holds. False, leaving nothing behind,
    // when Windows refuses or every copy's area is taken. Tried once: later
    // calls return what the first found.
    bool Start();
    // The copy of the plug-in whose area this is, from 1; 0 before Start
    // made one.
    uint32_t Copy() const { return copy; }

    void BytesRead(const uint8_t* data, uint32_t count) override;
    void Opened(const char* path, uint32_t baudRate, ResultCode result) override;
    void Closed(ResultCode result) override;
    void TimeoutsSet(const COMMTIMEOUTS& timeouts, ResultCode result) override;
    void Purged(PortPurge queue, ResultCode result) override;
    void RequestEnded(const PortRequestEvent& request) override;
    bool RequestBegins() override;
    void PortLost() override;
    void PortBack() override;

private:
    HostActivityPublisher(const HostActivityPublisher&);
    HostActivityPublisher& operator=(const HostActivityPublisher&);

    void Release();
    // Takes the mark and makes the area of copy number; false, holding
    // nothing, when another copy holds that mark.
    bool MakeArea(DWORD processId, uint32_t number, bool* refused);
    uint64_t Now() const { return clock.Microseconds(); }

    bool tried;
    uint32_t copy;
    // Owners: the view, the mapping and the mark go with the module.
    KernelHandle writerMark;
    KernelHandle mapping;
    MappedView view;
    WatcherPresence watcher;
    bool requestWatched;  // the running request is published
    HostActivityWriter writer;
    PerformanceClock clock;
    // What the running request has read: the first bytes kept, all counted.
    uint8_t requestBytes[HOST_ACTIVITY_KEPT_BYTES];
    uint32_t requestByteCount;
};
