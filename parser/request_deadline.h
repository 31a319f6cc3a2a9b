// The time limit of one packet request, tested on two clocks: a cheap,
// coarse tick count for every byte, and the precise clock only near the
// limit. Pure logic without windows.h.
//
// RequestClock: double Seconds(), the precise clock the limit is tested on;
// uint32_t TickMilliseconds(), a cheap coarse clock, counting modulo 2^32,
// that never lags the precise one by TICK_MARGIN_MILLISECONDS or more within
// a request.
#pragma once

#include <stdint.h>

// While the tick count says the request is this far inside its limit, the
// precise clock cannot be past it, so it is not read. Ticks are coarse
// (about 16 ms on Windows), and this is many of them.
const double TICK_MARGIN_MILLISECONDS = 500.0;

// Tells whether the request's time limit is past, reading the precise clock
// only once the tick count is near the limit; the precise test alone decides.
template <class RequestClock>
class RequestDeadline {
public:
    // The ticks are read first: a delay before the precise reading then
    // only makes the tick test more cautious.
    RequestDeadline(RequestClock& clock, double limitSeconds)
        : clock(clock),
          limitSeconds(limitSeconds),
          startTicks(clock.TickMilliseconds()),
          startSeconds(clock.Seconds()),
          ticksSurelyInside(TicksSurelyInside(limitSeconds))
    {
    }

    // Strictly greater: a request of exactly the limit is still in time.
    bool Passed()
    {
        // Unsigned difference: right across the tick count's wrap-around.
        if ((uint32_t)(clock.TickMilliseconds() - startTicks) < ticksSurelyInside)
            return false;
        return clock.Seconds() - startSeconds > limitSeconds;
    }

private:
    // Whole milliseconds, so that the test on every byte is an integer one;
    // at most 2^31, so that a difference within one wrap of the tick count
    // is never mistaken for a short one.
    static uint32_t TicksSurelyInside(double limitSeconds)
    {
        const double ticks = limitSeconds * 1000.0 - TICK_MARGIN_MILLISECONDS;
        if (!(ticks >= 1.0))
            return 0;  // also for a limit that is not a number
        return ticks < 2147483648.0 ? (uint32_t)ticks : 2147483648u;
    }

    RequestClock& clock;
    const double limitSeconds;
    const uint32_t startTicks;
    const double startSeconds;
    const uint32_t ticksSurelyInside;
};
