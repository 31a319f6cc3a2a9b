// The traced work's lines on their way to the trace window: added in the
// work's thread, taken in the window's, in the order added. Pure logic, no
// windows.h.
#pragma once

#include <stddef.h>

#include <deque>
#include <mutex>
#include <string>

class LineQueue {
public:
    // keep: the characters the window keeps; lines waiting beyond them would
    // be dropped from the window anyway. lineCapacity: a line is cut to one
    // character less, as the log cuts a message to its buffer.
    LineQueue(size_t keep, size_t lineCapacity);

    // From any thread: the line after those waiting. True when the lines
    // waiting fill a quarter of what the window keeps: it takes them now.
    bool Add(const std::string& line);
    // Every line waiting, in the order added; none waits after.
    std::deque<std::string> Take();

private:
    LineQueue(const LineQueue&);
    LineQueue& operator=(const LineQueue&);

    const size_t keep;
    const size_t lineCapacity;
    std::mutex lock;
    std::deque<std::string> lines;  // guarded by lock
    size_t characters;              // guarded by lock: each line with its CR LF
};
