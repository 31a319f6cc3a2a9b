#include "tools/trace/watch/queue_arrivals.h"

#include <numeric>

void QueueArrivals::Empty(uint64_t time)
{
    arrivals.clear();
    unknownBytes = 0;
    known = true;
    emptiedAt = time;
    anyRequest = false;
}

void QueueArrivals::Unknown()
{
    arrivals.clear();
    unknownBytes = 0;
    known = false;
    anyRequest = false;
}

void QueueArrivals::Request(uint64_t time, uint32_t queued, uint32_t read)
{
    if (!anyRequest) {
        if (!known)
            unknownBytes = queued;
        else if (queued > 0)
            arrivals.push_back({queued, emptiedAt, time > emptiedAt ? time : emptiedAt});
    } else {
        const uint64_t arrivedAndLeft = (uint64_t)queued + lastRead;
        if (arrivedAndLeft > lastQueued)
            arrivals.push_back({arrivedAndLeft - lastQueued, lastTime, time > lastTime ? time : lastTime});
        Take(lastRead);
        // A queue smaller than the requests explain lost bytes some other
        // way (a driver's own flush): the oldest go first.
        const uint64_t held = std::accumulate(
            arrivals.begin(), arrivals.end(), unknownBytes,
            [](uint64_t sum, const Arrival& arrival) { return sum + arrival.bytes; });
        if (held > queued)
            Take(held - queued);
    }
    anyRequest = true;
    lastTime = time;
    lastQueued = queued;
    lastRead = read;
}

void QueueArrivals::Take(uint64_t count)
{
    const uint64_t unknownTaken = count < unknownBytes ? count : unknownBytes;
    unknownBytes -= unknownTaken;
    count -= unknownTaken;
    while (count > 0 && !arrivals.empty()) {
        Arrival& head = arrivals.front();
        if (count >= head.bytes) {
            count -= head.bytes;
            arrivals.pop_front();
            continue;
        }
        head.from += (head.to - head.from) * count / head.bytes;
        head.bytes -= count;
        count = 0;
    }
}

bool QueueArrivals::HeadAge(uint64_t* microseconds) const
{
    if (!anyRequest || unknownBytes > 0)
        return false;
    if (arrivals.empty()) {
        *microseconds = 0;
        return true;
    }
    // The first of the head arrival's bytes came one share of its time after its start.
    const Arrival& head = arrivals.front();
    const uint64_t arrived = head.from + (head.to - head.from) / head.bytes;
    *microseconds = lastTime > arrived ? lastTime - arrived : 0;
    return true;
}
