#include "tools/sim/send_tally.h"

#include <algorithm>

// More frames than any driver's queue holds: a drop reaches no further back.
static const size_t REACHABLE_FRAMES = 4096;

void SendTally::Lose(size_t bytes)
{
    const size_t counted = (size_t)std::min<uint64_t>(bytes, bytesSent);
    bytesSent -= counted;
    bytesLost += bytes;
}

void SendTally::Frame(size_t frameBytes, size_t notTaken, size_t dropped)
{
    const size_t written = frameBytes - std::min(notTaken, frameBytes);
    bytesSent += frameBytes;
    if (notTaken == 0 && dropped == 0) {
        ++framesSent;
        reachable.push_back(frameBytes);
        if (reachable.size() > REACHABLE_FRAMES)
            reachable.pop_front();
        return;
    }
    // This frame's taken bytes are the newest in the queue.
    const size_t droppedHere = std::min(written, dropped);
    Lose(frameBytes - written + droppedHere);
    ++framesLost;
    // The rest of the queue: the ends of the frames before, newest first.
    size_t droppedBefore = dropped - droppedHere;
    while (droppedBefore > 0 && !reachable.empty()) {
        const size_t part = std::min(droppedBefore, reachable.back());
        reachable.pop_back();
        Lose(part);
        droppedBefore -= part;
        --framesSent;
        ++framesLost;
    }
    Lose(droppedBefore);  // bytes of frames no longer told apart
    // Nothing written before is queued any more: it went out, or was dropped.
    reachable.clear();
}
