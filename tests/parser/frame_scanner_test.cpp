// The frame scanner on its own: byte sequences in, stored payload out.
#include "parser/frame_scanner.h"

#include <gtest/gtest.h>

#include <vector>

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
        {"frame start as the first two bytes is ignored", {0xFF, 0x00, 0x11, 0x22}, {}},
        {"a later frame start after an ignored one", {0xFF, 0x00, 0x11, 0xFF, 0x00, 0x22}, {0x22}},
        {"its 0x00 as the third byte begins a frame", {0xAA, 0xFF, 0x00, 0x33}, {0x33}},
        {"markers before the 0x00 as the first three bytes", {0xFF, 0xFF, 0x00, 0x44}, {0x44}},
        {"many markers before the 0x00", {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x45}, {0x45}},
        {"ignored start right before a counted one", {0xFF, 0x00, 0xFF, 0x00, 0x55}, {0x55}},
        {"0x00 without a marker starts nothing", {0xAA, 0xBB, 0x00, 0x66}, {}},
        {"another byte between marker and 0x00 starts nothing", {0xAA, 0xFF, 0x12, 0x00, 0x66}, {}},
        {"frame start inside a frame stores 0x00",
         {0xAA, 0xFF, 0x00, 0x01, 0xFF, 0x00, 0x02},
         {0x01, 0x00, 0x02}},
        {"odd run of markers inside a frame", {0xAA, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0x11}, {0xFF, 0x11}},
        {"even run of markers inside a frame", {0xAA, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF}},
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

}  // namespace
