#include "testkit/scripted_line.h"

#include <math.h>

#include <utility>

ScriptedLine::ScriptedLine(std::vector<uint8_t> bytes, std::vector<double> arrivalSeconds,
                           uint32_t tickPeriodMilliseconds, bool open, uint32_t firstTick)
    : bytes(std::move(bytes)),
      arrivalSeconds(std::move(arrivalSeconds)),
      tickPeriod(tickPeriodMilliseconds ? tickPeriodMilliseconds : 1),
      open(open),
      firstTick(firstTick)
{
}

uint32_t ScriptedLine::ReadByte(uint8_t* byte)
{
    if (!open || consumed == bytes.size())
        return 0;
    *byte = bytes[consumed++];
    return 1;
}

double ScriptedLine::ArrivalOf(size_t index) const
{
    if (arrivalSeconds.empty())
        return 0.0;
    return arrivalSeconds[index < arrivalSeconds.size() ? index : arrivalSeconds.size() - 1];
}

double ScriptedLine::Now() const
{
    return consumed == 0 ? 0.0 : ArrivalOf(consumed - 1);
}

double ScriptedLine::Seconds()
{
    ++preciseReadings;
    return Now();
}

uint32_t ScriptedLine::TickMilliseconds() const
{
    const uint64_t milliseconds = (uint64_t)floor(Now() * 1000.0);
    return (uint32_t)(firstTick + milliseconds - milliseconds % tickPeriod);
}
