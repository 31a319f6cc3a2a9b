// The frame scanner on its own: byte sequences in, stored payload out.
#include "parser/frame_scanner.h"

#include <gtest/gtest.h>

#include <vector>

#include "firmware/frame_bytes.h"

namespace {

typedef std::vector<uint8_t> Bytes;

// Feeds the bytes as one request receives them and collects what is stored.
Bytes Scan(const Bytes& received, FrameScanner* finalState = nullptr)
{
    FrameScanner scanner = {};
    Bytes stored;
    uint32_t bytesReceived = 0;
    for (uint8_t byte : received) {
        if (ScanFrameByte(&scanner, byte, ++bytesReceived))
            stored.push_back(byte);
    }
    if (finalState)
        *finalState = scanner;
    return stored;
}

TEST(FrameScanner, StoresThePayloadOfEachStream)
{
    const struct {
        const char* what;
        Bytes received;
        Bytes stored;
    } cases[] = {
        {"worked example", {0xAA, 0xFF, 0x00, 0x01, 0xFF, 0xFF, 0x02, 0xFF, 0x03, 0x04},
         {0x01, 0xFF, 0x02, 0x03, 0x04}},
        {"frame start as the first two bytes is ignored", {0xFF, 0x00, 0x11, 0x22}, {}},
        {"a later frame start after an ignored one", {0xFF, 0x00, 0x11, 0xFF, 0x00, 0x22}, {0x22}},
        {"its 0x00 as the third byte begins a frame", {0xAA, 0xFF, 0x00, 0x33}, {0x33}},
        {"markers before the 0x00 as the first three bytes", {0xFF, 0xFF, 0x00, 0x44}, {0x44}},
        {"many markers before the 0x00", {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x45}, {0x45}},
        {"ignored start right before a counted one", {0xFF, 0x00, 0xFF, 0x00, 0x55}, {0x55}},
        {"0x00 without a marker starts nothing", {0xAA, 0xBB, 0x00, 0x66}, {}},
        {"another byte between marker and 0x00 starts nothing", {0xAA, 0xFF, 0x12, 0x00, 0x66}, {}},
        {"frame start inside a frame stores 0x00", {0xAA, 0xFF, 0x00, 0x01, 0xFF, 0x00, 0x02},
         {0x01, 0x00, 0x02}},
        {"odd run of markers inside a frame", {0xAA, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0x11}, {0xFF, 0x11}},
        {"even run of markers inside a frame", {0xAA, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF},
         {0xFF, 0xFF}},
        {"single marker dropped before a byte", {0xAA, 0xFF, 0x00, 0xFF, 0x7E}, {0x7E}},
        {"payload of zeros", {0xAA, 0xFF, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x00}},
        {"nothing received", {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.stored, Scan(c.received)) << c.what;
}

TEST(FrameScanner, StateFollowsTheFrame)
{
    const struct {
        const char* what;
        Bytes received;
        bool inFrame;
        bool markerSeen;
    } cases[] = {
        {"fresh", {}, false, false},
        {"marker while searching", {0xAA, 0xFF}, false, true},
        {"too early a frame start", {0xFF, 0x00}, false, false},
        {"frame begun", {0xAA, 0xFF, 0x00}, true, false},
        {"single marker in frame", {0xAA, 0xFF, 0x00, 0xFF}, true, true},
        {"doubled marker in frame", {0xAA, 0xFF, 0x00, 0xFF, 0xFF}, true, false},
    };
    for (const auto& c : cases) {
        FrameScanner state = {};
        Scan(c.received, &state);
        EXPECT_EQ(c.inFrame, state.inFrame) << c.what;
        EXPECT_EQ(c.markerSeen, state.markerSeen) << c.what;
    }
}

// The device library's frame scans back to the payload, followed only by the
// library's fill bytes (nothing ends a frame but the count), for every byte
// value and for marker-heavy runs.
TEST(ArdunFrameLibrary, RoundTripsThroughTheScanner)
{
    Bytes everyValue;
    for (int value = 0; value < 256; ++value)
        everyValue.push_back((uint8_t)value);
    const Bytes payloads[] = {
        {},
        {0x01, 0x02, 0x03},
        Bytes(16, 0xFF),
        Bytes(16, 0x00),
        {0xFF, 0x00, 0xFF, 0x00, 0xFF},
        {0x00, 0xFF},
        everyValue,
    };
    for (const Bytes& payload : payloads) {
        const Bytes stored = Scan(ArdunFrameBytes(payload));
        ASSERT_GE(stored.size(), payload.size());
        EXPECT_EQ(payload, Bytes(stored.begin(), stored.begin() + payload.size()))
            << "payload of " << payload.size() << " bytes";
        EXPECT_EQ(Bytes(stored.size() - payload.size(), 0x55),
                  Bytes(stored.begin() + payload.size(), stored.end()));
    }
}

// The frame itself, between the library's lead byte and the bytes after it.
TEST(ArdunFrameLibrary, DoublesEveryMarkerAfterTheFrameStart)
{
    const Bytes written = ArdunFrameBytes(Bytes{0x01, 0xFF, 0x00, 0xFF});
    ASSERT_GE(written.size(), 9u);
    EXPECT_EQ((Bytes{0xFF, 0x00, 0x01, 0xFF, 0xFF, 0x00, 0xFF, 0xFF}),
              Bytes(written.begin() + 1, written.begin() + 9));
    const Bytes empty = ArdunFrameBytes(Bytes{});
    ASSERT_GE(empty.size(), 3u);
    EXPECT_EQ((Bytes{0xFF, 0x00}), Bytes(empty.begin() + 1, empty.begin() + 3));
}

}  // namespace
