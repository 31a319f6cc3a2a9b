#include "tools/trace/host_area_view.h"

#include "plugin/host_activity_area.h"

bool HostAreaView::Open(uint32_t processId)
{
    char name[HOST_ACTIVITY_NAME_CAPACITY];
    if (!FormatHostActivityAreaName(name, sizeof name, processId))
        return false;
    mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
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
    // The whole section is mapped: its pages are readable to the region's end,
    // and the reader bounds every record by this size.
    size = region.RegionSize;
    process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    return true;
}

bool HostAreaView::HostEnded() const
{
    return process != NULL && WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

HostAreaView::~HostAreaView()
{
    // Closing what this view holds cannot fail in a way the watch could mend.
    if (view != NULL)
        (void)UnmapViewOfFile(view);
    if (mapping != NULL)
        (void)CloseHandle(mapping);
    if (process != NULL)
        (void)CloseHandle(process);
}
