// The plug-in's record of what its host does: an observer of the component
// that writes each of the host's calls into the host activity area, a named
// shared-memory block that ardun-trace --watch reads from another process.
// The host notices nothing: no result, file or call of its own changes, the
// writer never waits and allocates nothing once the area is made, and where
// the area cannot be made nothing is observed at all.
#pragma once

#include <stdint.h>
#include <windows.h>

#include "common/performance_clock.h"
#include "plugin/host_activity_ring.h"
#include "serial/port_observer.h"

class HostActivityPublisher final : public PortObserver {
public:
    HostActivityPublisher();
    // The view and the mapping go with the module.
    ~HostActivityPublisher();

    // Makes this process's area and lays it out; false, leaving nothing
    // behind, when Windows refuses. Tried once: later calls return what the
    // first found.
    bool Start();

    void BytesRead(const uint8_t* data, uint32_t count) override;
    void Opened(const char* path, uint32_t baudRate, ResultCode result) override;
    void Closed(ResultCode result) override;
    void TimeoutsSet(const COMMTIMEOUTS& timeouts, ResultCode result) override;
    void Purged(PortPurge queue, ResultCode result) override;
    void RequestEnded(const PortRequestEvent& request) override;
    void PortLost() override;
    void PortBack() override;

private:
    HostActivityPublisher(const HostActivityPublisher&);
    HostActivityPublisher& operator=(const HostActivityPublisher&);

    void Release();
    uint64_t Now() const { return clock.Microseconds(); }

    bool tried;
    HANDLE mapping;
    void* view;
    HostActivityWriter writer;
    PerformanceClock clock;
    // What the running request has read: the first bytes kept, all counted.
    uint8_t requestBytes[HOST_ACTIVITY_KEPT_BYTES];
    uint32_t requestByteCount;
};
