// A line for the packet collector that plays back a script instead of a port:
// each byte arrives at its own time, the precise clock reads the arrival time
// of the latest byte taken, and the tick clock reads the same time cut down to
// whole tick periods, from any starting count, as a coarse system tick would. The end of the script is
// silence. No platform code: the same in native tests, fuzz targets and under
// Wine.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

class ScriptedLine {
public:
    // arrivalSeconds holds one rising time per byte (missing ones repeat the
    // last); times count from 0, the request's start. The tick count reads
    // firstTick at time 0 and wraps at 2^32.
    ScriptedLine(std::vector<uint8_t> bytes, std::vector<double> arrivalSeconds = {},
                 uint32_t tickPeriodMilliseconds = 16, bool open = true, uint32_t firstTick = 0);

    // The byte source.
    bool IsOpen() const { return open; }
    uint32_t ReadByte(uint8_t* byte);

    // The request clock.
    double Seconds();
    uint32_t TickMilliseconds() const;

    size_t Consumed() const { return consumed; }
    size_t PreciseReadings() const { return preciseReadings; }
    // The time at which byte `index` (from 0) arrives.
    double ArrivalOf(size_t index) const;

private:
    double Now() const;  // the arrival time of the latest byte taken

    std::vector<uint8_t> bytes;
    std::vector<double> arrivalSeconds;
    uint32_t tickPeriod;
    bool open;
    uint32_t firstTick;
    size_t consumed = 0;
    size_t preciseReadings = 0;
};
