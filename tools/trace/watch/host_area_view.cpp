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
    mapping = OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name);
    if (mapping == NULL) {
        writable = false;
        mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
    }
    if (mapping == NULL)
        return false;
    view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    MEMORY_BASIC_INFORMATION region;
    if (view == NULL || VirtualQuery(view, &region, sizeof region) == 0) {
        if (view != NULL)
            (void)UnmapViewOfFile(view);  // the view is ours and unused: nothing to report
        (void)CloseHandle(mapping);       // the same
        view = NULL;
        mapping = NULL;
        return false;
    }
    // Pages reserved but not committed fault when touched: only the committed
    // run at the start is read (none, when the first page is not), and the
    // reader bounds every record by it. Committed pages stay committed while
    // the view lives.
    size = region.State == MEM_COMMIT ? region.RegionSize : 0;
    if (writable && size >= sizeof(HostActivityHeader))
        header = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(HostActivityHeader));
    process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    return true;
}

void HostAreaView::SayWatching(uint32_t stamp)
{
    if (header == NULL)
        return;
    // One aligned 32-bit store, which the plug-in reads whole.
    *reinterpret_cast<volatile uint32_t*>(static_cast<uint8_t*>(header) +
                                          offsetof(HostActivityHeader, watcherMilliseconds)) = stamp;
}

bool HostAreaView::HostEnded() const
{
    return process != NULL && WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

HostAreaView::~HostAreaView()
{
    // Closing what this view holds cannot fail in a way the watch could mend.
    if (header != NULL)
        (void)UnmapViewOfFile(header);
    if (view != NULL)
        (void)UnmapViewOfFile(view);
    if (mapping != NULL)
        (void)CloseHandle(mapping);
    if (process != NULL)
        (void)CloseHandle(process);
}
