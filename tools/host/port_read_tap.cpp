#include "tools/host/port_read_tap.h"

namespace {

typedef BOOL(WINAPI* ReadFileFunction)(HANDLE, void*, DWORD, DWORD*, OVERLAPPED*);

// The real ReadFile and the meter of the tap that is in place: the
// replacement is a plain function, and only one tap lives at a time.
ReadFileFunction realReadFile = nullptr;
FrameLengthMeter* activeMeter = nullptr;

}  // namespace

BOOL WINAPI PortReadTap::MeasuredReadFile(HANDLE file, void* buffer, DWORD wanted, DWORD* count,
                                          OVERLAPPED* overlapped)
{
    const BOOL read = realReadFile(file, buffer, wanted, count, overlapped);
    const DWORD lastError = GetLastError();  // the plug-in reads it after a failure
    // Only a port's bytes, never those of a file such as the settings file.
    if (read && count != nullptr && *count > 0 && activeMeter != nullptr &&
        GetFileType(file) == FILE_TYPE_CHAR)
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
