// Packets collected from the virtual COM pair, as the host's writes and reads
// ask for them.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "testkit/parser_on_pair.h"
#include "testkit/seconds_since.h"

namespace {

typedef ParserOnPair PacketReaderOnPair;

TEST_F(PacketReaderOnPair, DeframesWhatTheDeviceSends)
{
    const struct {
        const char* what;
        Bytes received;
        uint8_t n;
        Bytes payload;
        Bytes leftInQueue;
    } cases[] = {
        {"worked example; the byte after the payload is consumed",
         {0xAA, 0xFF, 0x00, 0x01, 0xFF, 0xFF, 0x02, 0xFF, 0x03, 0x04, 0x05},
         4, {0x01, 0xFF, 0x02, 0x03}, {0x05}},
        {"frame start as the first two bytes is not one", {0xFF, 0x00, 0x11, 0xFF, 0x00, 0x22, 0x33},
         1, {0x22}, {}},
        {"frame start as the first three bytes", {0xFF, 0xFF, 0x00, 0x44, 0x45, 0x46}, 1, {0x44},
         {0x46}},
        {"escapes inside the frame", {0xAA, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0x11, 0x99},
         3, {0x00, 0xFF, 0x11}, {}},
    };
    ASSERT_EQ(0, OpenHostSide());
    for (const auto& c : cases) {
        Send(c.received);
        uint32_t handled = 0;
        EXPECT_EQ(0, RequestPacket(c.n, &handled)) << c.what;
        EXPECT_EQ(2u, handled) << c.what;
        EXPECT_EQ(c.payload, HeldPayload()) << c.what;
        parser.Close();
        EXPECT_EQ(c.leftInQueue, TakeQueuedAtHostSide()) << c.what;
        ASSERT_EQ(0, OpenHostSide());
    }
}

TEST_F(PacketReaderOnPair, ShortFrameThenSilenceTimesOutKeepingThePartialPayload)
{
    ASSERT_EQ(0, OpenHostSide());
    Send({IDLE_BYTE, 0xFF, 0x00, 1, 2, 3, 4, 5});
    EXPECT_EQ(RESULT_TIMEOUT, RequestPacket(8));
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5}), HeldPayload());

    // The following read finds the line silent and hands out the partial payload.
    Bytes buffer;
    uint32_t handled = 0;
    EXPECT_EQ(RESULT_TIMEOUT, ReadInto(8, &buffer, &handled));
    EXPECT_EQ(5u, handled);
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 0xEE, 0xEE, 0xEE}), buffer);
}

TEST_F(PacketReaderOnPair, ChattyLineWithoutFrameStartTimesOutAfterTheLimit)
{
    ASSERT_EQ(0, OpenHostSide());
    Send(Framed({7, 8, 9}));
    ASSERT_EQ(0, RequestPacket(3));

    std::atomic<bool> stop(false);
    std::thread chatter([&] {
        const Bytes noise = {0x55, 0xFF, 0x55, 0x01, 0xFF, 0xFF, 0x02, 0x55};
        while (!stop && device.Send(noise))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    });
    const auto start = std::chrono::steady_clock::now();
    ResultCode result = RequestPacket(3);
    const double elapsed = SecondsSince(start);
    stop = true;
    chatter.join();

    EXPECT_EQ(RESULT_TIMEOUT, result);
    EXPECT_GE(elapsed, 2.9);
    EXPECT_LT(elapsed, 10.0);
    EXPECT_EQ((Bytes{7, 8, 9}), HeldPayload());
}

TEST_F(PacketReaderOnPair, SilentLineKeepsTheEarlierPayload)
{
    ASSERT_EQ(0, OpenHostSide());
    Send(Framed({0x10, 0x20, 0x30}));
    ASSERT_EQ(0, RequestPacket(3));

    EXPECT_EQ(0, RequestPacket(3));
    EXPECT_EQ((Bytes{0x10, 0x20, 0x30}), HeldPayload());
    // Asking for another size on the silent line: the held count is not N.
    EXPECT_EQ(RESULT_TIMEOUT, RequestPacket(2));
    EXPECT_EQ((Bytes{0x10, 0x20, 0x30}), HeldPayload());
}

// The device sends one frame and falls quiet. Only a Read right after the
// request that collected the frame may hand it out with success; later Reads
// hand it out with the time-out code. Every Write result is as it always was.
TEST_F(PacketReaderOnPair, QuietLineHandsTheOldPacketToNoLaterRead)
{
    enum Step { WRITE, READ, FRAME_THEN_WRITE, FRAME_THEN_READ, READ_NO_BUFFER, OPEN_OTHER_KIND, REOPEN };
    const struct {
        Step step;
        ResultCode result;
    } steps[] = {
        {FRAME_THEN_WRITE, 0}, {READ, 0},             // the Read's own request finds the line quiet
        {WRITE, 0}, {READ, RESULT_TIMEOUT},           // nothing new since the Write
        {READ, RESULT_TIMEOUT},
        {FRAME_THEN_READ, 0}, {READ, 0},              // a Read that collected counts as well
        {READ, RESULT_TIMEOUT},
        {FRAME_THEN_WRITE, 0}, {READ_NO_BUFFER, 0}, {OPEN_OTHER_KIND, E_FAIL},
        {READ, 0},                                    // neither of those was a request
        {FRAME_THEN_WRITE, 0}, {REOPEN, 0},
        {READ, RESULT_TIMEOUT},                       // held from before the port was opened
    };
    const Bytes payload = {0x10, 0x20, 0x30};
    ASSERT_EQ(0, OpenHostSide());
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        const Step step = steps[i].step;
        if (step == FRAME_THEN_WRITE || step == FRAME_THEN_READ)
            Send(Framed(payload));
        Bytes buffer;
        uint32_t handled = 0;
        ResultCode result = 0;
        if (step == WRITE || step == FRAME_THEN_WRITE) {
            result = RequestPacket(3);
        } else if (step == READ || step == FRAME_THEN_READ) {
            result = ReadInto(3, &buffer, &handled);
            EXPECT_EQ(3u, handled) << "step " << i;
            EXPECT_EQ(payload, buffer) << "step " << i;
        } else if (step == READ_NO_BUFFER) {
            MVIORequest request = {0, nullptr, 3, &handled};
            result = parser.Read(&request);
        } else {
            result = OpenKind(step == REOPEN ? OPEN_KIND_SERIAL : 8);
        }
        EXPECT_EQ(steps[i].result, result) << "step " << i;
    }
}

TEST_F(PacketReaderOnPair, ZeroBytesSucceedOnlyWhileNothingWasEverStored)
{
    ASSERT_EQ(0, OpenHostSide());
    Send({0x77});
    EXPECT_EQ(0, RequestPacket(0));
    EXPECT_EQ(0u, parser.StoredCount());

    Send(Framed({0x01, 0x02}));
    ASSERT_EQ(0, RequestPacket(2));
    EXPECT_EQ(RESULT_TIMEOUT, RequestPacket(0));
    parser.Close();
    EXPECT_EQ(Bytes{}, TakeQueuedAtHostSide());  // the lone byte of N = 0 was read
}

TEST_F(PacketReaderOnPair, HostWriteThenReadDeliversTheEncodedPayload)
{
    Bytes alternating;
    for (int i = 0; i < 255; ++i)
        alternating.push_back(i % 2 ? 0x00 : 0xFF);
    const Bytes payloads[] = {Bytes(255, 0xFF), Bytes(255, 0x00), alternating, {0xFF}, {0x00}};
    for (const Bytes& payload : payloads) {
        ASSERT_EQ(0, OpenHostSide());
        Send(Framed(payload));
        uint32_t handled = 0;
        EXPECT_EQ(0, RequestPacket((uint8_t)payload.size(), &handled));
        EXPECT_EQ(2u, handled);

        Bytes buffer;
        EXPECT_EQ(0, ReadInto((uint32_t)payload.size(), &buffer, &handled));
        EXPECT_EQ(payload.size(), handled);
        EXPECT_EQ(payload, buffer);
        EXPECT_EQ(0, parser.Close());
    }
}

TEST_F(PacketReaderOnPair, ReadOnAClosedPortHandsOutTheEarlierPayload)
{
    ASSERT_EQ(0, OpenHostSide());
    Send(Framed({0xA1, 0xA2}));
    ASSERT_EQ(0, RequestPacket(2));
    parser.Close();
    RaiseErrorFlag();

    Bytes buffer;
    uint32_t handled = 0;
    EXPECT_EQ(E_FAIL, ReadInto(2, &buffer, &handled));
    EXPECT_EQ(0, ErrorFlag());
    EXPECT_EQ(2u, handled);
    EXPECT_EQ((Bytes{0xA1, 0xA2}), buffer);
}

// The host does not bound its read length; the 256-byte buffer must bound the
// reader. Guard bytes right behind the component show any store past it.
TEST_F(PacketReaderOnPair, ReadLongerThanTheBufferStopsAtItsEnd)
{
    struct Guarded {
        MVArdunParser parser;
        uint8_t guard[1024];
    };
    Guarded* guarded = new Guarded;
    memset(guarded->guard, 0xC5, sizeof guarded->guard);
    MVOpenParams params = {OPEN_KIND_SERIAL, TEST_BAUD_RATE};
    ASSERT_EQ(0, guarded->parser.Open(&params));

    Bytes payload;
    for (int i = 0; i < 1000; ++i)
        payload.push_back((uint8_t)(i * 7));
    Send(Framed(payload));
    Bytes buffer(1000 + 16, 0xEE);
    uint32_t handled = 0;
    MVIORequest request = {0, buffer.data(), 1000, &handled};
    EXPECT_EQ(RESULT_TIMEOUT, guarded->parser.Read(&request));
    EXPECT_EQ(256u, guarded->parser.StoredCount());
    EXPECT_EQ(256u, handled);
    EXPECT_TRUE(std::equal(payload.begin(), payload.begin() + 256, buffer.begin()));
    EXPECT_EQ(Bytes(buffer.size() - 256, 0xEE), Bytes(buffer.begin() + 256, buffer.end()));
    EXPECT_EQ(Bytes(sizeof guarded->guard, 0xC5),
              Bytes(guarded->guard, guarded->guard + sizeof guarded->guard));
    delete guarded;  // closes its port; the rest of the frame is drained after the test
}

TEST_F(PacketReaderOnPair, ReadShorterThanTheHeldPayloadIsCutToItsLength)
{
    ASSERT_EQ(0, OpenHostSide());
    Send(Framed({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    ASSERT_EQ(0, RequestPacket(10));

    Bytes buffer(4 + 8, 0xEE);
    uint32_t handled = 0;
    MVIORequest request = {0, buffer.data(), 4, &handled};
    EXPECT_EQ(RESULT_TIMEOUT, parser.Read(&request));  // 10 held, 4 wanted
    EXPECT_EQ(4u, handled);
    EXPECT_EQ((Bytes{1, 2, 3, 4, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}), buffer);
    EXPECT_EQ(10u, parser.StoredCount());
}

}  // namespace
