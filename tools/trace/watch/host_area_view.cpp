#include "tools/trace/watch/host_area_view.h"

#include "plugin/host_activity_area.h"
#include "plugin/host_activity_layout.h"

bool HostAreaView::Open(uint32_t processId, uint32_t copy)
{
    char name[HOST_ACTIVITY_NAME_CAPACITY];
    if (!FormatHostActivityAreaName(name, sizeof name, processId, copy))
        return false;
    // Writable for the watcher's word; an area this user may only read is
    // still watched, though its host then publishes no requests.
    bool writable = true;
    mapping.Reset(OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name));
    if (!mapping.IsOpen()) {
        writable = false;
        mapping.Reset(OpenFileMappingA(FILE_MAP_READ, FALSE, name));
    }
    if (!mapping.IsOpen())
        return false;
    view.Reset(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0));
    MEMORY_BASIC_INFORMATION region;
    if (!view.IsMapped() || VirtualQuery(view.Get(), &region, sizeof region) == 0) {
        view.Close();
        mapping.Close();
        return false;
    }
    // Pages reserved but not committed fault when touched: only the committed
    // run at the start is read (none, when the first page is not), and the
    // reader bounds every record by it. Committed pages stay committed while
    // the view lives.
    size = region.State == MEM_COMMIT ? region.RegionSize : 0;
    if (writable && size >= sizeof(HostActivityHeader))
        header.Reset(MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, sizeof(HostActivityHeader)));
    process.Reset(OpenProcess(SYNCHRONIZE, FALSE, processId));
    return true;
}

void HostAreaView::SayWatching(uint32_t stamp)
{
    if (!header.IsMapped())
        return;
    // One aligned 32-bit store, which the plug-in reads whole.
    *reinterpret_cast<volatile uint32_t*>(static_cast<uint8_t*>(header.Get()) +
                                          offsetof(HostActivityHeader, watcherMilliseconds)) = stamp;
}

bool HostAreaView::HostEnded() const
{
    return process.IsOpen() && WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
}
