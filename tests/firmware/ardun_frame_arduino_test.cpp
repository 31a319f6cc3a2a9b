// The device library's Arduino calls as a Print sees them: a volatile object
// and a number that is no variable go out as the same frame as the plain
// bytes they hold.
#include <gtest/gtest.h>

#include <functional>

#include "firmware/ArdunFrame/src/ArdunFrame.h"
#include "firmware/frame_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct RecordingPrint : Print {
    Bytes sent;
    size_t write(const uint8_t* bytes, size_t count) override
    {
        sent.insert(sent.end(), bytes, bytes + count);
        return count;
    }
};

struct __attribute__((packed)) Reading {
    uint16_t sequence;
    uint8_t flags;
    uint32_t total;
};

uint16_t AReading()
{
    return 0xFF00;
}

TEST(ArdunFrameArduino, SendsVolatileObjectsAndNumbersAsTheirBytes)
{
    static volatile Reading shared = {0x00FF, 0xFF, 0x01020304};
    static volatile uint8_t samples[] = {0xFF, 0x00, 0x7F};
    const struct {
        const char* what;
        std::function<size_t(Print&)> send;
        Bytes payload;
    } cases[] = {
        {"a volatile struct",
         [](Print& out) { return ArdunFrameWrite(out, shared); },
         {0xFF, 0x00, 0xFF, 0x04, 0x03, 0x02, 0x01}},
        {"a volatile array", [](Print& out) { return ArdunFrameWrite(out, samples); }, {0xFF, 0x00, 0x7F}},
        {"a number that is no variable",
         [](Print& out) { return ArdunFrameWrite(out, AReading()); },
         {0x00, 0xFF}},
    };
    for (const auto& c : cases) {
        RecordingPrint print;
        const Bytes frame = ArdunFrameBytes(c.payload);
        EXPECT_EQ(frame.size(), c.send(print)) << c.what;
        EXPECT_EQ(frame, print.sent) << c.what;
    }
}

}  // namespace
