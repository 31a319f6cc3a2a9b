// The device library's output as an Arduino Print sees it: one write call per
// chunk of the frame, the result the bytes the output took, a short write
// ending the frame, and a payload longer than a request refused untouched.
#include <gtest/gtest.h>

#include "firmware/ArdunFrame/src/ArdunFrame.h"
#include "firmware/frame_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

// An output with Print's write(buffer, size) that takes at most `room` bytes
// a call and keeps every call's bytes.
struct RecordingPrint {
    size_t room = SIZE_MAX;
    std::vector<Bytes> calls;

    size_t write(const uint8_t* bytes, size_t count)
    {
        const size_t taken = count < room ? count : room;
        calls.emplace_back(bytes, bytes + taken);
        return taken;
    }
    Bytes Sent() const
    {
        Bytes all;
        for (const Bytes& call : calls)
            all.insert(all.end(), call.begin(), call.end());
        return all;
    }
};

size_t WriteTo(RecordingPrint& print, const Bytes& payload)
{
    return ArdunFrameWriteChunks(payload.data(), payload.size(), ArdunFrameWriteChunkTo<RecordingPrint>,
                                 &print);
}

TEST(ArdunFrameOutput, WritesInChunksAndReturnsWhatThePrintTook)
{
    const Bytes sensorBox = {0x07, 0x00, 0xFF, 0x00, 0xFF, 0x03, 0, 0, 0xCC, 0, 0x99, 0x01, 0xCC, 0x02};
    const struct {
        const char* what;
        Bytes payload;
        size_t room;
        size_t calls;  // write calls made
        size_t taken;  // the result
    } cases[] = {
        {"14 bytes: one call", Bytes(14, 0x11), SIZE_MAX, 1, 19},
        {"14 bytes with FF and a pair", sensorBox, SIZE_MAX, 1, 24},
        {"255 FF: 515 bytes in chunks", Bytes(255, 0xFF), SIZE_MAX, 17, 515},
        {"a Print that takes nothing", Bytes(14, 0x11), 0, 1, 0},
        {"a short write ends the frame", Bytes(100, 0x11), 20, 1, 20},
        {"longer than a request: refused", Bytes(ARDUNFRAME_MAX_PAYLOAD + 1, 0x11), SIZE_MAX, 0, 0},
    };
    for (const auto& c : cases) {
        RecordingPrint print;
        print.room = c.room;
        EXPECT_EQ(c.taken, WriteTo(print, c.payload)) << c.what;
        EXPECT_EQ(c.calls, print.calls.size()) << c.what;
        for (const Bytes& call : print.calls)
            EXPECT_LE(call.size(), (size_t)ARDUNFRAME_CHUNK_BYTES) << c.what;
        if (c.payload.size() <= ARDUNFRAME_MAX_PAYLOAD) {
            const Bytes frame = ArdunFrameBytes(c.payload);
            EXPECT_EQ(frame.size(), ArdunFrameLength(c.payload.data(), c.payload.size())) << c.what;
            EXPECT_EQ(Bytes(frame.begin(), frame.begin() + c.taken), print.Sent()) << c.what;
        }
    }
}

}  // namespace
