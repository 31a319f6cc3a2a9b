// When the bytes waiting in a port's input queue arrived, told from the
// queue's size as each request began and the bytes each request read: what
// arrived between two requests is the queue's growth plus what the first one
// took, spread evenly over the time between them, and a request takes the
// oldest. The byte at the queue's head is the next the host takes, so its age
// is how far behind the device the host's packets are, whether the queue
// grows, holds still, or is full and losing what comes. Pure logic, no
// windows.h; times in microseconds.
#pragma once

#include <stdint.h>

#include <deque>

class QueueArrivals {
public:
    // The queue was emptied at `time` (the port opened, or purged): what it
    // holds later arrived after that.
    void Empty(uint64_t time);
    // What the queue holds arrived at times not known (the watch began with
    // the port open, or missed some of its requests).
    void Unknown();
    // A request began at `time` with `queued` bytes waiting, and read `read`.
    void Request(uint64_t time, uint32_t queued, uint32_t read);
    // How old the queue's head was when the latest request began; false
    // while the head's arrival is not known.
    bool HeadAge(uint64_t* microseconds) const;

private:
    // Bytes that arrived evenly over (from, to].
    struct Arrival {
        uint64_t bytes;
        uint64_t from, to;
    };
    // Takes `count` bytes off the head.
    void Take(uint64_t count);

    std::deque<Arrival> arrivals;  // oldest first, after the unknown bytes
    uint64_t unknownBytes = 0;     // at the head, of no known arrival
    bool known = false;            // what the first request finds arrived since emptiedAt
    uint64_t emptiedAt = 0;
    bool anyRequest = false;
    uint64_t lastTime = 0;
    uint32_t lastQueued = 0, lastRead = 0;
};
