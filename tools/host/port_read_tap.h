// The bytes the plug-in reads from its port, measured on their way: its
// ReadFile import is pointed at a function that calls the real ReadFile and
// hands every byte that came from a port to the trace's frame meter. What the
// plug-in reads is left exactly as it was; only the host's side is added,
// since the plug-in offers no way to watch its line through its exports.
#pragma once

#include <windows.h>

#include "tools/cli/import_patch.h"
#include "tools/meter/frame_length_meter.h"

// One at a time, on the thread that calls the plug-in.
class PortReadTap {
public:
    // Starts measuring the reads of the loaded plugin; IsMeasuring says whether
    // it could.
    explicit PortReadTap(HMODULE plugin);
    ~PortReadTap();

    bool IsMeasuring() const { return measuring; }
    const FrameLengthMeter& Meter() const { return meter; }

private:
    PortReadTap(const PortReadTap&);
    PortReadTap& operator=(const PortReadTap&);

    static BOOL WINAPI MeasuredReadFile(HANDLE file, void* buffer, DWORD wanted, DWORD* count,
                                        OVERLAPPED* overlapped);

    ImportPatch readPatch;
    FrameLengthMeter meter;
    bool measuring;
};
