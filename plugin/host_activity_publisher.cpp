#include "plugin/host_activity_publisher.h"

#include <string.h>

#include "common/version.h"
#include "plugin/host_activity_area.h"

namespace {

// The program's file name without its folder, within path's own buffer.
const char* BaseName(const char* path)
{
    const char* name = path;
    for (const char* c = path; *c != '\0'; ++c)
        if (*c == '\\' || *c == '/')
            name = c + 1;
    return name;
}

}  // namespace

HostActivityPublisher::HostActivityPublisher()
    : PortTap(false),  // no step is ever published: the port formats none for it
      tried(false),
      copy(0),
      requestWatched(false),
      requestBytes(),
      requestByteCount(0)
{
}

void HostActivityPublisher::Release()
{
    view.Close();
    mapping.Close();
    writerMark.Close();
    copy = 0;
}

bool HostActivityPublisher::MakeArea(DWORD processId, uint32_t number, bool* refused)
{
    *refused = true;
    char name[HOST_ACTIVITY_NAME_CAPACITY];
    if (!FormatHostActivityWriterName(name, sizeof name, processId, number))
        return false;
    // The error is read before the owner takes the handle.
    const HANDLE mark = CreateMutexA(NULL, FALSE, name);
    const bool markTaken = mark != NULL && GetLastError() == ERROR_ALREADY_EXISTS;
    writerMark.Reset(mark);
    if (!writerMark.IsOpen())
        return false;
    if (markTaken) {
        // Another copy of the plug-in in this process writes that area.
        *refused = false;
        Release();
        return false;
    }
    if (!FormatHostActivityAreaName(name, sizeof name, processId, number)) {
        Release();
        return false;
    }
    // An area a watcher kept open from an earlier load of this copy is opened
    // again and taken up by the writer.
    const HANDLE area = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0,
                                           (DWORD)HOST_ACTIVITY_AREA_SIZE, name);
    const bool existed = area != NULL && GetLastError() == ERROR_ALREADY_EXISTS;
    mapping.Reset(area);
    if (mapping.IsOpen())
        view.Reset(MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, HOST_ACTIVITY_AREA_SIZE));
    // A block that was there before is written only where it is committed
    // memory: another program could have made one of reserved pages.
    MEMORY_BASIC_INFORMATION region;
    if (!view.IsMapped() ||
        (existed && (VirtualQuery(view.Get(), &region, sizeof region) == 0 || region.State != MEM_COMMIT ||
                     region.RegionSize < HOST_ACTIVITY_AREA_SIZE))) {
        Release();
        return false;
    }
    copy = number;
    return true;
}

bool HostActivityPublisher::Start()
{
    if (tried)
        return writer.Started();
    tried = true;
    const DWORD processId = GetCurrentProcessId();
    // The first copy whose mark is free; a refusal ends the search, so that
    // a copy that cannot make its own area takes no other copy's number.
    bool made = false, refused = false;
    for (uint32_t number = 1; !made && !refused && number <= HOST_ACTIVITY_MAX_COPIES; ++number)
        made = MakeArea(processId, number, &refused);
    if (!made)
        return false;
    // A name that does not fit is cut; an empty one where Windows refuses.
    char program[MAX_PATH];
    const DWORD length = GetModuleFileNameA(NULL, program, sizeof program);
    program[length < sizeof program ? length : sizeof program - 1] = '\0';
    const HostActivityHost host = {processId, BaseName(program), ARDUN_VERSION_TEXT};
    if (!writer.Start(view.Get(), HOST_ACTIVITY_AREA_SIZE, HOST_ACTIVITY_RECORD_COUNT, host)) {
        Release();
        return false;
    }
    return true;
}

bool HostActivityPublisher::RequestBegins()
{
    requestByteCount = 0;
    // A plain read of the watcher's word; the clock only while it may be fresh.
    const uint32_t word = writer.WatcherMilliseconds();
    requestWatched = watcher.MayBeThere(word) && watcher.There(word, WatcherStamp(Now()));
    return requestWatched;
}

void HostActivityPublisher::BytesRead(const uint8_t* data, uint32_t count)
{
    if (!requestWatched)
        return;
    if (requestByteCount < HOST_ACTIVITY_KEPT_BYTES) {
        const uint32_t room = HOST_ACTIVITY_KEPT_BYTES - requestByteCount;
        memcpy(requestBytes + requestByteCount, data, count < room ? count : room);
    }
    requestByteCount += count;
}

void HostActivityPublisher::Opened(const char* path, uint32_t baudRate, ResultCode result)
{
    requestByteCount = 0;
    writer.Open(Now(), result, path, baudRate);
}

void HostActivityPublisher::Closed(ResultCode result)
{
    requestByteCount = 0;
    writer.Close(Now(), result);
}

void HostActivityPublisher::TimeoutsSet(const COMMTIMEOUTS& timeouts, ResultCode result)
{
    const uint32_t values[HOST_ACTIVITY_TIMEOUT_COUNT] = {
        timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier, timeouts.ReadTotalTimeoutConstant,
        timeouts.WriteTotalTimeoutMultiplier, timeouts.WriteTotalTimeoutConstant};
    writer.SetTimeouts(Now(), result, values);
}

void HostActivityPublisher::Purged(PortPurge queue, ResultCode result)
{
    writer.Purge(queue == PortPurge::Input ? HOST_ACTIVITY_PURGE_INPUT : HOST_ACTIVITY_PURGE_OUTPUT, Now(),
                 result);
}

void HostActivityPublisher::RequestEnded(const PortRequestEvent& request)
{
    const HostActivityRequest fields = {request.requested,  request.stored,
                                        request.skipped,    request.durationMicroseconds,
                                        request.inputQueue, request.lineErrors};
    writer.Request(request.kind == PortRequestKind::Write ? HOST_ACTIVITY_WRITE : HOST_ACTIVITY_READ, Now(),
                   request.result, fields, requestBytes, requestByteCount);
    requestByteCount = 0;
}

void HostActivityPublisher::PortLost()
{
    writer.PortLost(Now());
}

void HostActivityPublisher::PortBack()
{
    writer.PortBack(Now());
}
