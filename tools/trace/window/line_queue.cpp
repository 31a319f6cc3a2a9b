#include "tools/trace/window/line_queue.h"

LineQueue::LineQueue(size_t keep, size_t lineCapacity) : keep(keep), lineCapacity(lineCapacity), characters(0)
{
}

bool LineQueue::Add(const std::string& line)
{
    const std::lock_guard<std::mutex> guard(lock);
    // Cut as the log cuts a message, so that dropping the oldest lines
    // never has to reach the newest.
    lines.push_back(line.substr(0, lineCapacity - 1));
    characters += lines.back().size() + 2;
    // Past what the window keeps, the oldest would be dropped from it
    // anyway; only a window that cannot take them lets that happen.
    while (characters > keep && lines.size() > 1) {
        characters -= lines.front().size() + 2;
        lines.pop_front();
    }
    return characters >= keep / 4;
}

std::deque<std::string> LineQueue::Take()
{
    std::deque<std::string> taken;
    const std::lock_guard<std::mutex> guard(lock);
    taken.swap(lines);
    characters = 0;
    return taken;
}
