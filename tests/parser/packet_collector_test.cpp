// The packet reader's request logic over scripted lines and clocks: framing,
// the result rules, the time limit and when the precise clock is read.
#include <gtest/gtest.h>

#include <vector>

#include "parser/packet_collector.h"
#include "testkit/scripted_line.h"

namespace {

typedef std::vector<uint8_t> Bytes;
const double LIMIT = 3.0;

struct Outcome {
    ResultCode result;
    Bytes held;
    size_t consumed;
};

Outcome Collect(ScriptedLine& line, uint32_t wanted, PacketRequester requester, HeldPacket* held)
{
    const ResultCode result = CollectPacket(line, line, LIMIT, wanted, requester, held);
    return {result, Bytes(held->packetBuffer, held->packetBuffer + held->storedCount), line.Consumed()};
}

TEST(PacketCollector, FramesAndTimesAsTheDeviceSendsThem)
{
    const struct {
        const char* what;
        Bytes line;
        std::vector<double> arrivals;
        uint32_t wanted;
        ResultCode result;
        Bytes held;
        size_t consumed;
    } cases[] = {
        // Byte 5 arrives past the limit: it ends the request unexamined.
        {"limit passed at byte 5",
         {0x55, 0xFF, 0x00, 1, 2, 3, 4},
         {0, 1, 2, 2.9, 3.01, 3.02, 3.03},
         4,
         RESULT_TIMEOUT,
         {1},
         5},
        {"exactly the limit is still in time", {0x55, 0xFF, 0x00, 1, 2}, {0, 0, 0, 3.0, 3.0}, 1, 0, {1}, 5},
        {"a chatty line without a frame start",
         Bytes(50, 0x55),
         {0.5, 1, 1.5, 2, 2.5, 3.5},
         1,
         RESULT_TIMEOUT,
         {},
         6},
    };
    for (const auto& c : cases) {
        ScriptedLine line(c.line, c.arrivals);
        HeldPacket held = {};
        const Outcome outcome = Collect(line, c.wanted, PacketRequester::Write, &held);
        EXPECT_EQ(c.result, outcome.result) << c.what;
        EXPECT_EQ(c.held, outcome.held) << c.what;
        EXPECT_EQ(c.consumed, outcome.consumed) << c.what;
    }
}

// A closed source reads nothing and keeps the payload, but it is a request
// that stored nothing: the Read after it is no longer the collecting one's.
TEST(PacketCollector, AClosedSourceReadsNothingAndKeepsThePayload)
{
    const Bytes frame = {0x55, 0x55, 0xFF, 0x00, 7, 8, 9, 0x55};
    HeldPacket held = {};
    ScriptedLine open(frame);
    ASSERT_EQ(0, Collect(open, 3, PacketRequester::Write, &held).result);

    ScriptedLine closed(frame, {}, 16, false);
    EXPECT_EQ(E_FAIL, Collect(closed, 3, PacketRequester::Write, &held).result);
    EXPECT_EQ(0u, closed.Consumed());
    EXPECT_EQ(3u, held.storedCount);
    ScriptedLine quiet(Bytes{});
    const Outcome outcome = Collect(quiet, 3, PacketRequester::Read, &held);
    EXPECT_EQ(RESULT_TIMEOUT, outcome.result);
    EXPECT_EQ((Bytes{7, 8, 9}), outcome.held);
}

TEST(PacketCollector, ThePreciseClockIsReadOnlyNearTheLimit)
{
    // 400 bytes of chatter over 2.4 s: well inside the limit all along.
    std::vector<double> early, late;
    for (int i = 0; i < 400; ++i) {
        early.push_back(i * 0.006);
        late.push_back(2.0 + i * 0.006);
    }
    ScriptedLine inside(Bytes(400, 0x55), early);
    HeldPacket held = {};
    Collect(inside, 1, PacketRequester::Write, &held);
    EXPECT_EQ(400u, inside.Consumed());
    EXPECT_EQ(1u, inside.PreciseReadings()) << "only the start";

    // Bytes from 2.0 s on, every 6 ms, with a 250 ms tick: none is tested
    // precisely before the tick reads 2.5 s (byte 84), every one after it,
    // and byte 167, at 3.002 s, is past the limit.
    // The same across the tick count's wrap-around.
    for (uint32_t firstTick : {0u, 0xFFFFFC18u}) {  // wraps 1 s after the start
        ScriptedLine nearing(Bytes(400, 0x55), late, 250, true, firstTick);
        EXPECT_EQ(RESULT_TIMEOUT, Collect(nearing, 1, PacketRequester::Write, &held).result);
        EXPECT_EQ(168u, nearing.Consumed());
        EXPECT_EQ(1u + (167 - 84 + 1), nearing.PreciseReadings());
    }
}

}  // namespace
