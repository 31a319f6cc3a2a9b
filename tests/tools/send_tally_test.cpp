// ardun-sim's count of what went out and what was lost: a dropped queue takes
// the ends of frames that had counted as sent.
#include "tools/sim/send_tally.h"

#include <gtest/gtest.h>

#include <vector>

TEST(SendTally, FramesAndBytesLostAreNotAlsoSent)
{
    struct Write {
        size_t bytes, notTaken, dropped;
    };
    const struct {
        const char* name;
        std::vector<Write> writes;
        uint32_t framesSent, framesLost;
        uint64_t bytesSent, bytesLost;
    } cases[] = {
        {"all taken", {{10, 0, 0}, {10, 0, 0}}, 2, 0, 20, 0},
        {"rest not taken, queue empty", {{10, 0, 0}, {10, 4, 0}}, 1, 1, 16, 4},
        // The queue held this frame's 6 taken bytes and the whole frame before.
        {"queue reaches one frame back", {{10, 0, 0}, {10, 0, 0}, {10, 4, 16}}, 1, 2, 10, 20},
        // 3 bytes of the frame before were still queued: it went out cut.
        {"queue reaches into a frame", {{10, 0, 0}, {10, 10, 3}}, 0, 2, 7, 13},
        {"after a drop nothing before is queued", {{10, 0, 0}, {10, 10, 10}, {10, 10, 0}}, 0, 3, 0, 30},
    };
    for (const auto& c : cases) {
        SendTally tally;
        uint64_t total = 0;
        for (const Write& w : c.writes) {
            tally.Frame(w.bytes, w.notTaken, w.dropped);
            total += w.bytes;
        }
        EXPECT_EQ(c.framesSent, tally.FramesSent()) << c.name;
        EXPECT_EQ(c.framesLost, tally.FramesLost()) << c.name;
        EXPECT_EQ(c.bytesSent, tally.BytesSent()) << c.name;
        EXPECT_EQ(c.bytesLost, tally.BytesLost()) << c.name;
        EXPECT_EQ(total, tally.BytesSent() + tally.BytesLost()) << c.name;
    }
}
