// The line queue between the traced work's thread and the window's.
#include "tools/trace/window/line_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

TEST(LineQueue, CutsBoundsAndSignalsAsTheWindowKeeps)
{
    static const struct {
        size_t keep, lineCapacity;
        std::vector<std::string> added;
        std::vector<std::string> taken;
        bool takeNow;  // after the last line
    } CASES[] = {
        {40, 8, {"abcdefghij"}, {"abcdefg"}, false},  // cut as the log cuts
        {40, 100, {"12345678"}, {"12345678"}, true},  // a quarter, with CR LF
        {20, 100, {"aaaaaaaa", "bbbbbbbb", "cccccccc"}, {"bbbbbbbb", "cccccccc"}, true},  // the oldest go
        {4, 100, {"abcdef"}, {"abcdef"}, true},                                           // the newest stays
    };
    for (const auto& c : CASES) {
        LineQueue queue(c.keep, c.lineCapacity);
        bool takeNow = false;
        for (const std::string& line : c.added)
            takeNow = queue.Add(line);
        const std::deque<std::string> taken = queue.Take();
        EXPECT_EQ(c.taken, std::vector<std::string>(taken.begin(), taken.end())) << c.added.front();
        EXPECT_EQ(c.takeNow, takeNow) << c.added.front();
        EXPECT_TRUE(queue.Take().empty());
    }
}

TEST(LineQueue, KeepsEveryLineInOrderWhileTakenAsTheyCome)
{
    const int LINES = 100000;
    LineQueue queue(LINES * 10, 100);  // room for all: none is dropped
    std::atomic<bool> allAdded(false);
    std::thread work([&queue, &allAdded] {
        for (int i = 0; i < LINES; ++i)
            (void)queue.Add(std::to_string(i));
        allAdded = true;
    });
    // Taken while they come, then once more after the last.
    std::vector<std::string> taken;
    for (bool last = false; !last;) {
        last = allAdded;
        const std::deque<std::string> lines = queue.Take();
        taken.insert(taken.end(), lines.begin(), lines.end());
    }
    work.join();
    std::vector<std::string> added;
    for (int i = 0; i < LINES; ++i)
        added.push_back(std::to_string(i));
    EXPECT_EQ(added, taken);
    EXPECT_TRUE(queue.Take().empty());
}
