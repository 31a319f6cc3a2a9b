#include "tools/cli/seconds_now.h"

#include <windows.h>

double SecondsNow()
{
    // Both calls always succeed on Windows XP and later.
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}
