// The performance counter in seconds: the clock the packet reader times each
// request on, and the one the tools and the benchmarks take their rates and
// time stamps from. The tick count is the cheap reading that tells the reader
// when the precise one is needed.
#pragma once

#include <stdint.h>
#include <windows.h>

// The performance-counter queries cannot fail on Windows XP and later, so
// their results are ignored on purpose.
class PerformanceClock {
public:
    PerformanceClock() { (void)QueryPerformanceFrequency(&frequency); }

    double Seconds() const
    {
        LARGE_INTEGER counter;
        (void)QueryPerformanceCounter(&counter);
        return (double)counter.QuadPart / (double)frequency.QuadPart;
    }

    // GetTickCount, not GetTickCount64: the module must load on every
    // Windows the host runs on; the reader copes with its wrap-around.
    uint32_t TickMilliseconds() const { return GetTickCount(); }

private:
    LARGE_INTEGER frequency;
};
