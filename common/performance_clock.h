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

    // The same counter in whole microseconds, exactly: the time stamps the
    // plug-in shares with the tools, which read this clock too.
    uint64_t Microseconds() const
    {
        LARGE_INTEGER counter;
        (void)QueryPerformanceCounter(&counter);
        const uint64_t ticks = (uint64_t)counter.QuadPart, perSecond = (uint64_t)frequency.QuadPart;
        return ticks / perSecond * 1000000u + ticks % perSecond * 1000000u / perSecond;
    }

    // GetTickCount, not GetTickCount64: the module must load on every
    // Windows the host runs on; the reader copes with its wrap-around.
    uint32_t TickMilliseconds() const { return GetTickCount(); }

private:
    LARGE_INTEGER frequency;
};
