// The device library ArdunFrame against the plug-in's own packet reader over
// scripted lines: the bytes it writes, a host in step getting every frame
// whole and ending each request right after its frame, and a reader upset
// anywhere (begun at any byte, a byte lost or added) back in step after at
// most one misread packet.
#include <gtest/gtest.h>

#include <random>

#include "firmware/ArdunFrame/src/ArdunFrame.h"
#include "firmware/frame_bytes.h"
#include "parser/frame_scanner.h"
#include "testkit/frame_stream.h"

namespace {

const uint8_t F = ARDUNFRAME_FILL;

void CountByte(uint8_t, void* count)
{
    ++*static_cast<size_t*>(count);
}

TEST(ArdunFrame, WritesTheFrameWithTheBytesAroundIt)
{
    const struct {
        const char* what;
        Bytes payload;
        Bytes written;
    } cases[] = {
        {"empty", {}, {F, 0xFF, 0x00, F, F}},
        {"plain", {0x01, 0x02}, {F, 0xFF, 0x00, 0x01, 0x02, F, F}},
        {"FF doubled, no pair", {0x00, 0xFF}, {F, 0xFF, 0x00, 0x00, 0xFF, 0xFF, F, F}},
        {"pair at index 1: one fill byte", {0xFF, 0x00}, {F, 0xFF, 0x00, 0xFF, 0xFF, 0x00, F, F, F}},
        {"last pair at index 2",
         {0x01, 0xFF, 0x00, 0xFF},
         {F, 0xFF, 0x00, 0x01, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, F, F, F, F}},
        {"the later of two pairs counts",
         {0xFF, 0x00, 0x07, 0xFF, 0x00, 0x08},
         {F, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0x07, 0xFF, 0xFF, 0x00, 0x08, F, F, F, F, F, F}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.written, ArdunFrameBytes(c.payload)) << c.what;
        size_t count = 0;
        EXPECT_EQ(c.written.size(), ArdunFrameWrite(c.payload.data(), c.payload.size(), CountByte, &count))
            << c.what;
        EXPECT_EQ(c.written.size(), count) << c.what;
    }
}

// The frame scans back to the payload, followed only by the library's fill
// bytes (nothing ends a frame but the count), for every byte value and for
// marker-heavy runs.
TEST(ArdunFrame, RoundTripsThroughTheScanner)
{
    // Every byte value, in two payloads of the size a request may ask for.
    Bytes lowValues, highValues;
    for (int value = 0; value < 128; ++value) {
        lowValues.push_back((uint8_t)value);
        highValues.push_back((uint8_t)(value + 128));
    }
    const Bytes payloads[] = {
        {},           {0x01, 0x02, 0x03}, Bytes(16, 0xFF), Bytes(16, 0x00), {0xFF, 0x00, 0xFF, 0x00, 0xFF},
        {0x00, 0xFF}, lowValues,          highValues,
    };
    for (const Bytes& payload : payloads) {
        FrameScanner scanner = {};
        Bytes stored;
        const Bytes written = ArdunFrameBytes(payload);
        for (uint32_t received = 1; received <= written.size(); ++received)
            if (ScanFrameByte(&scanner, written[received - 1], received))
                stored.push_back(written[received - 1]);
        ASSERT_GE(stored.size(), payload.size());
        EXPECT_EQ(payload, Bytes(stored.begin(), stored.begin() + payload.size()))
            << "payload of " << payload.size() << " bytes";
        EXPECT_EQ(Bytes(stored.size() - payload.size(), F),
                  Bytes(stored.begin() + payload.size(), stored.end()));
    }
}

// Payload bytes drawn mostly from 0xFF and 0x00, so that data pairs FF 00
// (false frame starts to a reader that is not in step) are everywhere.
Bytes MarkerHeavy(std::mt19937& random, size_t length)
{
    Bytes payload(length);
    for (uint8_t& byte : payload) {
        const uint32_t pick = random() % 4;
        byte = pick == 0 ? 0xFF : pick == 1 ? 0x00 : (uint8_t)random();
    }
    return payload;
}

TEST(ArdunFrame, AHostInStepGetsEveryFrameWholeAndEndsRightAfterIt)
{
    std::mt19937 random(19);
    std::vector<Bytes> payloads;
    std::vector<uint32_t> lengths;
    for (size_t length : {1, 255, 2, 16, 254, 7, 100, 1, 3, 255, 31, 64}) {
        payloads.push_back(MarkerHeavy(random, length));
        lengths.push_back((uint32_t)length);
    }
    payloads.push_back(Bytes(255, 0xFF));
    lengths.push_back(255);
    const FrameLine line = WriteFrames(payloads);
    for (HostPattern pattern : {HostPattern::ReadsOnly, HostPattern::WriteReadPairs}) {
        const std::vector<RequestGot> got = RunRequests(line, 0, pattern, lengths);
        ASSERT_EQ(payloads.size(), got.size());
        for (size_t m = 0; m < got.size(); ++m) {
            EXPECT_EQ((int)m, got[m].frame) << "request " << m;
            EXPECT_EQ(RESULT_OK, got[m].result) << "request " << m;
            EXPECT_EQ(line.places[m].end, got[m].end)
                << "request " << m << " ends on the byte after its frame";
            // With pairs, the host's Reads are the odd requests: every second frame.
            if (pattern == HostPattern::WriteReadPairs) {
                EXPECT_EQ(m % 2 == 1, got[m].requester == PacketRequester::Read);
            }
        }
    }
}

// Four frames of one length; their payloads by frame number.
struct Family {
    const char* what;
    size_t length;
    uint8_t (*byte)(size_t frame, size_t index);
};

const Family FAMILIES[] = {
    {"one byte", 1, [](size_t frame, size_t) { return (uint8_t)(0xFE + frame); }},
    {"pairs FF 00 throughout", 16,
     [](size_t frame, size_t i) {
         return (uint8_t)(i == 0 ? frame : i % 2 ? 0xFF : 0x00);
     }},
    {"a pair at the very end", 255,
     [](size_t frame, size_t i) { return (uint8_t)(i >= 253 ? (i == 253 ? 0xFF : 0x00) : i * 7 + frame); }},
    {"all FF", 40, [](size_t, size_t) { return (uint8_t)0xFF; }},
    {"16-bit readings of 255", 14,
     [](size_t frame, size_t i) {
         return (uint8_t)(i < 2 ? frame >> (8 * i) : i % 2 ? 0x00 : 0xFF);
     }},
};
const int FRAMES = 4;

FrameLine LineOf(const Family& family)
{
    std::vector<Bytes> payloads(FRAMES, Bytes(family.length));
    for (size_t m = 0; m < payloads.size(); ++m)
        for (size_t i = 0; i < family.length; ++i)
            payloads[m][i] = family.byte(m, i);
    return WriteFrames(payloads);
}

TEST(ArdunFrame, AReaderBegunAtAnyByteIsInStepAfterAtMostOneMisreadPacket)
{
    for (const Family& family : FAMILIES) {
        const FrameLine line = LineOf(family);
        for (HostPattern pattern : {HostPattern::ReadsOnly, HostPattern::WriteReadPairs}) {
            for (size_t from = 0; from < line.places[1].next; ++from) {
                const int upset = FrameReading(line, from);
                const std::vector<int> frames = FramesGot(
                    RunRequests(line, from, pattern, {(uint32_t)family.length}));
                ASSERT_TRUE(BackInStep(frames, upset, upset, FRAMES - 1))
                    << family.what << ", begun at byte " << from << ", pattern " << (int)pattern
                    << ": frames got " << ::testing::PrintToString(frames);
            }
        }
    }
}

TEST(ArdunFrame, AReaderInStepIsBackInStepAfterALostOrAnExtraByte)
{
    for (const Family& family : FAMILIES) {
        const FrameLine line = LineOf(family);
        for (size_t at = 0; at < line.places[1].next; ++at) {
            const int upset = FrameReading(line, at);
            const FrameLine upsets[] = {WithoutByte(line, at), WithExtraByte(line, at, 0x00),
                                        WithExtraByte(line, at, 0xFF), WithExtraByte(line, at, 0x3C)};
            for (const FrameLine& upsetLine : upsets) {
                const std::vector<int> frames = FramesGot(
                    RunRequests(upsetLine, 0, HostPattern::ReadsOnly, {(uint32_t)family.length}));
                ASSERT_TRUE(BackInStep(frames, 0, upset, FRAMES - 1))
                    << family.what << ", upset " << (&upsetLine - upsets) << " at byte " << at
                    << ": frames got " << ::testing::PrintToString(frames);
            }
        }
    }
}

}  // namespace
