// ardun-trace's view of each request's bytes, the frame sizes it measures and
// the tally and finding it keeps.
#include "tools/trace/session/request_view.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "firmware/frame_bytes.h"
#include "tools/cli/hex_bytes.h"

TEST(TraceRequestView, TellsApartTheBytesAsTheReaderTreatedThem)
{
    static const struct {
        std::vector<uint8_t> bytes;
        uint32_t wanted;
        bool timeLimitPassed;
        std::vector<std::string> lines;
    } CASES[] = {
        // Noise, the frame with a doubled FF, and the byte read past the payload.
        {{0x3D, 0xAB, 0x9D, 0xFF, 0x00, 0x01, 0xFF, 0xFF, 0x03, 0x55},
         3,
         false,
         {"  skipped  3D AB 9D", "  start    FF 00",
          "  payload  01 FF 03 (3 stored; 1 FF sent doubled, stored once)",
          "  dropped  55 (read after the payload and dropped, as the reader does)"}},
        // A frame start within the first two bytes is not taken for one.
        {{0xFF, 0x00, 0xFF, 0x00, 0x07, 0x08},
         1,
         false,
         {"  skipped  FF 00", "  start    FF 00", "  payload  07 (1 stored)",
          "  dropped  08 (read after the payload and dropped, as the reader does)"}},
        // The time limit passed: the last byte read was never looked at.
        {{0x01, 0xFF, 0x00, 0x05, 0x06},
         4,
         true,
         {"  skipped  01", "  start    FF 00", "  payload  05 (1 stored)",
          "  unread   06 (read when the time limit had passed, never looked at)"}},
        // A single FF inside the frame is lost, also as the request's last byte.
        {{0x00, 0x00, 0xFF, 0x00, 0xFF, 0x07, 0xFF},
         3,
         false,
         {"  skipped  00 00", "  start    FF 00",
          "  lost     FF (a single FF inside the frame: the reader drops it)", "  payload  07 (1 stored)",
          "  lost     FF (a single FF inside the frame: the reader drops it)"}},
        {{}, 3, false, {}},
        // A long payload continues under its first line.
        {{0x01, 0x02, 0xFF, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06,
          0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11},
         18,
         false,
         {"  skipped  01 02", "  start    FF 00",
          "  payload  00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F", "           10 11 (18 stored)"}},
    };
    for (const auto& c : CASES)
        EXPECT_EQ(c.lines, DescribeRequestBytes(c.bytes, c.wanted, c.timeLimitPassed))
            << FormatHexBytes(c.bytes.data(), c.bytes.size());
}

TEST(TraceRequestView, ShowsABlockPerRequestThenItsLine)
{
    RequestView view;
    const std::vector<std::string> expected = {"Read 2 bytes:", "  skipped  41 FF", "Packet 1: time-out"};
    EXPECT_EQ(expected, view.RequestEnded({"Packet 1: time-out", 4, false, {0x41, 0xFF}}));
    EXPECT_EQ(std::vector<std::string>{"Packet 2: none"},
              view.RequestEnded({"Packet 2: none", 4, false, {}}));
}

// Frames of `length` payload bytes as ArdunFrame sends them, each preceded by
// `noise` bytes; payloads vary, FF and FF 00 pairs among them. The first
// `skipped` bytes are left out, as by a listener that began late. fillEnd:
// each payload ends in 55 55, as the library's own end bytes do.
static std::vector<uint8_t> LibraryLine(size_t frames, size_t length, size_t noise, size_t skipped = 0,
                                        bool fillEnd = false)
{
    std::vector<uint8_t> line;
    for (size_t f = 0; f < frames; ++f) {
        line.insert(line.end(), noise, (uint8_t)(0x30 + f));
        std::vector<uint8_t> payload(length);
        for (size_t i = 0; i < length; ++i)
            payload[i] = (uint8_t)(f * 7 + i * 13);
        payload[f % length] = 0xFF;  // a data FF, then 00 after it in every other frame
        if (f % 2 == 0 && length > 1)
            payload[(f + 1) % length] = 0x00;
        if (fillEnd)
            payload[length - 1] = payload[length - 2] = 0x55;
        const std::vector<uint8_t> bytes = ArdunFrameBytes(payload);
        line.insert(line.end(), bytes.begin(), bytes.end());
    }
    line.erase(line.begin(), line.begin() + skipped);
    return line;
}

TEST(TraceRequestView, NamesFramesShorterThanAskedForAndAMeasuredMismatchOnce)
{
    static const struct {
        std::vector<uint8_t> bytes;
        uint32_t wanted;
        uint32_t measured;
        const char* line;
    } CASES[] = {
        // Ends in the end bytes: 4 payload bytes asked as 6, or 6 that end in 55 55, until measured.
        {{0x55, 0xFF, 0x00, 1, 2, 3, 4, 0x55, 0x55, 0x20}, 6, 0, ""},
        // Runs into the next frame: lead 55, then a lone FF before 00.
        {{0x55, 0xFF, 0x00, 1, 2, 3, 0x55, 0x55, 0x55, 0xFF, 0x00, 9, 0x20},
         7,
         0,
         "the device's frames look shorter than 7 bytes: about 3"},
        {{0x55, 0xFF, 0x00, 1, 2, 3, 0x55, 0x55, 0x20},
         5,
         4,
         "the device's frames look shorter than 5 bytes: about 4"},
        {{0x55, 0xFF, 0x00, 1, 2, 3, 0x55, 0x55, 0x20}, 5, 5, ""},  // measured right: the device's own 55 55
        {{0x55, 0xFF, 0x00, 1, 2, 3, 4, 0x20}, 4, 0, ""},
    };
    for (const auto& c : CASES)
        EXPECT_EQ(c.line,
                  ShorterFramesLine(c.bytes, c.wanted, false, {FrameLengthFinding::Found, c.measured}));

    RequestView view;
    const std::vector<uint8_t> line = LibraryLine(12, 14, 2);
    std::vector<std::string> said;
    for (size_t at = 0; at < line.size(); at += 19) {
        const std::vector<uint8_t> bytes(line.begin() + at, line.begin() + std::min(at + 19, line.size()));
        for (const std::string& text : view.MeasureFrames({"", 16, false, bytes}))
            said.push_back(text);
    }
    EXPECT_EQ(
        std::vector<std::string>{"the device's frames hold about 14 payload bytes, not the 16 asked for: ask "
                                 "for 14 (--size 14)"},
        said);
}

TEST(TraceRequestView, KeepsTheRequestsAndTheFindingSoFar)
{
    const RequestOutcome PACKET = RequestOutcome::Packet, TIME_OUT = RequestOutcome::TimeOut,
                         FAILED = RequestOutcome::Failed;
    struct Request {
        std::vector<uint8_t> bytes;
        RequestOutcome outcome;
    };
    static const struct {
        std::vector<Request> requests;
        uint32_t wanted;
        const char* tally;
        const char* finding;
    } CASES[] = {
        {{}, 16, "", ""},
        {{{{}, TIME_OUT}, {{}, TIME_OUT}},
         16,
         "0 ok, 2 time-outs, 0 failed, 0 misread",
         "no byte at all: is it the right port, is the device on and sending? \"Find the device\" in the "
         "menu finds the port, rate and size"},
        {{{{}, TIME_OUT}, {{0x31, 0x32, 0x33}, TIME_OUT}},
         16,
         "0 ok, 2 time-outs, 0 failed, 0 misread",
         "no frames: 3 bytes but no frame start FF 00; is the baud rate right, does the device send Ardun "
         "frames? \"Find the device\" in the menu finds the port, rate and size"},
        // Every packet of a wrong size is a misread, also those before the size was measured.
        {{{LibraryLine(2, 14, 2), PACKET}, {LibraryLine(12, 14, 2), PACKET}},
         16,
         "0 ok, 0 time-outs, 0 failed, 2 misread",
         "wrong size: the device's frames hold 14 payload bytes, not the 16 asked for; choose 14 in the Size "
         "menu"},
        {{{LibraryLine(12, 14, 2), PACKET}, {{}, TIME_OUT}},
         14,
         "1 ok, 1 time-out, 0 failed, 0 misread",
         "the device's frames hold 14 payload bytes, the size asked for"},
        // Counted once the frames are measured; a payload that ends in 55 55 at their size is no misread.
        {{{LibraryLine(2, 16, 2), PACKET}},
         16,
         "0 ok, 0 time-outs, 0 failed, 0 misread, 1 waiting for the frames' size",
         "measuring the frames' size"},
        {{{LibraryLine(1, 16, 0, 0, true), PACKET},
          {LibraryLine(1, 16, 0, 0, true), PACKET},
          {LibraryLine(12, 16, 0, 0, true), PACKET}},
         16,
         "3 ok, 0 time-outs, 0 failed, 0 misread",
         "the device's frames hold 16 payload bytes, the size asked for"},
        // A port lost or not open is no time-out.
        {{{LibraryLine(12, 14, 2), PACKET}, {{}, FAILED}, {{}, FAILED}},
         14,
         "1 ok, 0 time-outs, 2 failed, 0 misread",
         "the port is gone (a USB adapter pulled out?) or not open: each request tries to open it again"},
    };
    for (const auto& c : CASES) {
        RequestView view;
        for (const Request& request : c.requests)
            (void)view.RequestEnded({"", c.wanted, false, request.bytes, request.outcome});
        EXPECT_EQ(c.tally, view.TallyText());
        EXPECT_EQ(c.finding, view.FindingText());
    }
}

// The frames' size changes under the trace: the latest packets counted by the
// size before move, once, with a line that says so.
TEST(TraceRequestView, MovesTheCountsOfTheLatestPacketsWhenTheSizeMeasuredChanges)
{
    static const struct {
        size_t before, after;
        const char* moved;
    } CASES[] = {
        {14, 16, "^[0-9]+ packets counted as misread are ok: the frames hold 16 bytes after all$"},
        {16, 14, "^[0-9]+ packets counted as ok are misread: the frames hold 14 bytes, not 16$"},
    };
    for (const auto& c : CASES) {
        RequestView view;
        std::vector<std::string> moves;
        for (size_t length : {c.before, c.after})
            for (size_t frame = 0; frame < 30; ++frame)
                for (const std::string& line :
                     view.RequestEnded({"", 16, false, LibraryLine(1, length, 1), RequestOutcome::Packet}))
                    if (line.find(" packets counted as ") != std::string::npos)
                        moves.push_back(line);
        ASSERT_EQ(1u, moves.size()) << c.before << " then " << c.after;
        EXPECT_TRUE(std::regex_search(moves[0], std::regex(c.moved))) << moves[0];
        // The first size's packets stay as counted, the second's are counted by it.
        unsigned ok = 0, timeOuts = 0, failed = 0, misread = 0;
        ASSERT_EQ(4, sscanf(view.TallyText().c_str(), "%u ok, %u time-outs, %u failed, %u misread", &ok,
                            &timeOuts, &failed, &misread));
        EXPECT_EQ(60u, ok + misread);
        EXPECT_GE(c.after == 16 ? ok : misread, 30u) << view.TallyText();
        EXPECT_LE(c.after == 16 ? ok : misread, 30u + 16u) << view.TallyText();
    }
}
