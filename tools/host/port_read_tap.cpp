#include "tools/host/port_read_tap.h"

namespace {

typedef BOOL(WINAPI* ReadFileFunction)(HANDLE, void*, DWORD, DWORD*, OVERLAPPED*);

// The real ReadFile and the meter of the tap that is in place: the
// replacement is a plain function, and only one tap lives at a time.
ReadFileFunction realReadFile = nullptr;
FrameLengthMeter* activeMeter = nullptr;
// The handle of the latest one-byte read found to be a port: the plug-in
// reads its port one byte at a time, so its type is asked once, not per byte.
HANDLE portHandle = INVALID_HANDLE_VALUE;

// Only a port's bytes count, never those of a file such as the settings file,
// which is read in one piece (and may be given a closed port's handle value).
bool IsPortRead(HANDLE file, DWORD wanted)
{
    if (wanted == 1 && file == portHandle)
        return true;
    const bool port = GetFileType(file) == FILE_TYPE_CHAR;
    if (port && wanted == 1)
        portHandle = file;
    return port;
}

}  // namespace

BOOL WINAPI PortReadTap::MeasuredReadFile(HANDLE file, void* buffer, DWORD wanted, DWORD* count,
                                          OVERLAPPED* overlapped)
{
    const BOOL read = realReadFile(file, buffer, wanted, count, overlapped);
    const DWORD lastError = GetLastError();  // the plug-in reads it after a failure
    if (read && count != nullptr && *count > 0 && activeMeter != nullptr && IsPortRead(file, wanted))
        activeMeter->Add(static_cast<const uint8_t*>(buffer), *count);
    SetLastError(lastError);
    return read;
}

PortReadTap::PortReadTap(HMODULE plugin) : readPatch(plugin, "KERNEL32.dll", "ReadFile"), measuring(false)
{
    if (activeMeter != nullptr || !readPatch.IsFound())
        return;
    realReadFile = reinterpret_cast<ReadFileFunction>(readPatch.Original());
    activeMeter = &meter;
    measuring = readPatch.Redirect(reinterpret_cast<void*>(&MeasuredReadFile));
    if (!measuring)
        activeMeter = nullptr;
}

PortReadTap::~PortReadTap()
{
    // The import patch points the entry back as it ends, after this.
    if (measuring)
        activeMeter = nullptr;
}
