// What ardun-sim's frames came to: the frames that went out whole and the
// bytes that went out, and the frames the port lost, whole or in part, with
// their bytes. A write the port does not take wholly loses its own rest, and
// the port's queue, which is dropped with it so that the next frames go out
// on time. The queue holds the newest bytes written: this frame's taken
// part, then the ends of frames before it, which had counted as sent. Pure
// logic, no windows.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <deque>

class SendTally {
public:
    // One frame of frameBytes (its noise included) handed to the port:
    // notTaken of them not taken, and dropped bytes of the port's queue
    // thrown away after it.
    void Frame(size_t frameBytes, size_t notTaken, size_t dropped);

    uint32_t FramesSent() const { return framesSent; }
    uint64_t BytesSent() const { return bytesSent; }
    uint32_t FramesLost() const { return framesLost; }
    uint64_t BytesLost() const { return bytesLost; }

private:
    void Lose(size_t bytes);

    uint32_t framesSent = 0;
    uint64_t bytesSent = 0;
    uint32_t framesLost = 0;
    uint64_t bytesLost = 0;
    // The sizes of the frames sent whole since the queue was last dropped,
    // newest last: the ones a drop can still reach.
    std::deque<size_t> reachable;
};
