// The tools' pure logic: command lines, the simulator's payload layout and
// line noise, and the host's text forms of GUIDs and packets.
#include <gtest/gtest.h>
#include <rpc.h>

#include <vector>

#include "firmware/frame_bytes.h"
#include "tools/cli/hex_bytes.h"
#include "tools/cli/number_argument.h"
#include "tools/host/guid_text.h"
#include "tools/host/host_options.h"
#include "tools/sim/line_noise.h"
#include "tools/sim/sim_options.h"
#include "tools/sim/sim_payload.h"
#include "tools/trace/frame_length_meter.h"
#include "tools/trace/packet_line.h"
#include "tools/trace/request_view.h"
#include "tools/trace/trace_options.h"

TEST(NumberArgument, AcceptsWholeNumbersInRangeOnly)
{
    const struct {
        const char* text;
        uint32_t minimum, maximum;
        bool accepted;
        uint32_t value;
    } cases[] = {
        {"0", 0, 10, true, 0},
        {"10", 0, 10, true, 10},
        {"11", 0, 10, false, 0},
        {"0", 1, 10, false, 0},
        {"4294967295", 0, 0xFFFFFFFFu, true, 0xFFFFFFFFu},
        {"4294967296", 0, 0xFFFFFFFFu, false, 0},
        {"184467440737095516161", 0, 0xFFFFFFFFu, false, 0},  // would wrap a 64-bit sum
        {"", 0, 10, false, 0},
        {"-1", 0, 10, false, 0},
        {"+1", 0, 10, false, 0},
        {"1x", 0, 10, false, 0},
        {" 1", 0, 10, false, 0},
    };
    for (const auto& c : cases) {
        uint32_t value = 12345;
        EXPECT_EQ(c.accepted, ParseNumberArgument(c.text, c.minimum, c.maximum, &value)) << c.text;
        EXPECT_EQ(c.accepted ? c.value : 12345u, value) << c.text;
    }
}

template <typename Options, typename Parse>
static bool ParseArguments(Parse parse, std::vector<const char*> arguments, Options* options, std::string* error)
{
    arguments.insert(arguments.begin(), "program");
    return parse(static_cast<int>(arguments.size()), arguments.data(), options, error);
}

TEST(HostOptions, ReadsCommandAndStreamSettings)
{
    HostOptions options;
    std::string error;
    ASSERT_TRUE(ParseArguments(ParseHostOptions,
                               {"--dll", "C:\\x\\P.dll", "stream", "--baud", "9600", "--size", "255",
                                "--count", "7", "--every", "250"},
                               &options, &error))
        << error;
    EXPECT_EQ(HostCommand::Stream, options.command);
    EXPECT_EQ("C:\\x\\P.dll", options.dllPath);
    EXPECT_EQ(9600u, options.baudRate);
    EXPECT_EQ(255u, options.size);
    EXPECT_EQ(7u, options.count);
    EXPECT_EQ(250u, options.everyMs);

    HostOptions defaults;
    ASSERT_TRUE(ParseArguments(ParseHostOptions, {"info"}, &defaults, &error));
    EXPECT_EQ(HostCommand::Info, defaults.command);
    EXPECT_TRUE(defaults.dllPath.empty());
}

TEST(HostOptions, RefusesWrongCommandLinesWithAReason)
{
    const std::vector<std::vector<const char*>> wrong = {
        {},
        {"--dll", "x.dll"},
        {"info", "stream"},
        {"play"},
        {"stream", "--size", "0"},
        {"stream", "--size", "256"},
        {"stream", "--count"},
        {"stream", "--dll"},
        {"info", "--size", "8"},  // stream settings mean nothing elsewhere
        {"config", "--count", "1"},
        {"stream", "--every", "0"},
        {"info", "--every", "100"},
    };
    for (const auto& arguments : wrong) {
        HostOptions options;
        std::string error;
        EXPECT_FALSE(ParseArguments(ParseHostOptions, arguments, &options, &error)) << arguments.size();
        EXPECT_FALSE(error.empty());
    }
    HostOptions options;
    std::string error;
    ASSERT_TRUE(ParseArguments(ParseHostOptions, {"stream", "--help"}, &options, &error));
    EXPECT_TRUE(options.showHelp);
}

TEST(SimOptions, NeedsAPortAndKeepsEveryValueInRange)
{
    SimOptions options;
    std::string error;
    ASSERT_TRUE(ParseArguments(ParseSimOptions,
                               {"--port", "10", "--rate", "1000", "--noise", "0", "--size", "1", "--count", "3",
                                "--first", "4294967295"},
                               &options, &error))
        << error;
    EXPECT_EQ(10u, options.port);
    EXPECT_EQ(1000u, options.rate);
    EXPECT_EQ(0u, options.noise);
    EXPECT_EQ(1u, options.size);
    EXPECT_EQ(3u, options.count);
    EXPECT_EQ(0xFFFFFFFFu, options.first);
    EXPECT_EQ(115200u, options.baudRate);

    const std::vector<std::vector<const char*>> wrong = {
        {},
        {"--size", "16"},
        {"--port", "256"},
        {"--port", "10", "--rate", "0"},
        {"--port", "10", "--noise", "65"},
        {"--port", "10", "--size", "256"},
        {"--port", "10", "extra"},
    };
    for (const auto& arguments : wrong) {
        SimOptions refused;
        EXPECT_FALSE(ParseArguments(ParseSimOptions, arguments, &refused, &error)) << arguments.size();
    }
}

TEST(SimPayload, TriangleClimbsToFFAndFallsBackToZero)
{
    const struct {
        uint32_t step;
        uint8_t value;
    } points[] = {{0, 0}, {1, 1}, {255, 255}, {256, 254}, {509, 1}, {510, 0}, {765, 255}, {1020, 0}};
    for (const auto& p : points)
        EXPECT_EQ(p.value, SensorTriangle(p.step)) << p.step;
}

TEST(SimPayload, FollowsTheDocumentedLayout)
{
    // Worked by hand from the layout in --help.
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x07, 0x08, 0x09}),
              MakeSimPayload(0, 10));
    // s = 255: the sequence starts with the data pair 0xFF 0x00; A = 255,
    // B = T(383) = 127, C = T(765) = 255, then 255 + 7 = 262 -> 0x06.
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0x00, 0x00, 0x00, 0xFF, 0x7F, 0xFF, 0x06}), MakeSimPayload(255, 8));
    // s = 0x01020304 = 16909060 = 33155 * 510 + 10: A = 10, B = T(138) = 138,
    // C = T(30) = 30, byte 7 = 0x04 + 7 = 0x0B.
    EXPECT_EQ((std::vector<uint8_t>{0x04, 0x03, 0x02, 0x01, 10, 138, 30, 0x0B}), MakeSimPayload(0x01020304, 8));
    EXPECT_EQ((std::vector<uint8_t>{0x04, 0x03}), MakeSimPayload(0x01020304, 2));
}

TEST(SimPayload, SensorsVarySlowly)
{
    for (uint32_t s : {0u, 1000u, 0xFFFFF000u}) {
        std::vector<uint8_t> previous = MakeSimPayload(s, 7);
        for (uint32_t step = 1; step < 600; ++step) {
            std::vector<uint8_t> current = MakeSimPayload(s + step, 7);
            for (int sensor = 4; sensor < 7; ++sensor)
                EXPECT_LE(abs(current[sensor] - previous[sensor]), 3) << s + step << " sensor " << sensor;
            previous = current;
        }
    }
}

TEST(LineNoise, NeverHoldsTheMarker)
{
    LineNoise noise(12345);
    std::vector<uint8_t> bytes = noise.Next(100000);
    int seen[256] = {};
    for (uint8_t b : bytes)
        ++seen[b];
    EXPECT_EQ(0, seen[0xFF]);
    for (int value = 0; value < 0xFF; ++value)
        EXPECT_GT(seen[value], 0) << value;  // otherwise it would hardly be noise
    EXPECT_NE(LineNoise(1).Next(16), LineNoise(2).Next(16));
}

TEST(HostText, GuidTextMatchesThePlatformsConversion)
{
    for (const char* text : {"5A1C7E20-8B3D-4F61-9C2E-0D4B7A93E615", "7E94B2C1-06DA-4C38-B571-2F8E6A0D93B4",
                             "00000000-0000-0000-0000-000000000001"}) {
        UUID uuid;
        ASSERT_EQ(RPC_S_OK, UuidFromStringA(reinterpret_cast<RPC_CSTR>(const_cast<char*>(text)), &uuid));
        EXPECT_EQ(text, FormatGuidText(reinterpret_cast<const uint8_t*>(&uuid)));
    }
}

TEST(HostText, HexBytes)
{
    const uint8_t bytes[] = {0x00, 0xFF, 0x5A, 0x0F};
    EXPECT_EQ("00 FF 5A 0F", FormatHexBytes(bytes, 4));
    EXPECT_EQ("", FormatHexBytes(bytes, 0));
}

TEST(TraceOptions, TakesTheWatchsOptionsOnlyWithTheWatch)
{
    TraceOptions options;
    std::string error;
    ASSERT_TRUE(
        ParseArguments(ParseTraceOptions, {"--watch", "--pid", "4242", "--seconds", "60"}, &options, &error))
        << error;
    EXPECT_TRUE(options.watch);
    EXPECT_EQ(4242u, options.pid);
    EXPECT_EQ(60u, options.seconds);
    const std::vector<std::vector<const char*>> wrong = {
        {"--pid", "4242"},
        {"--seconds", "5"},
        {"--watch", "--find"},
        {"--watch", "--pid", "0"},
        {"--watch", "--seconds", "0"},
    };
    for (const auto& arguments : wrong) {
        TraceOptions refused;
        EXPECT_FALSE(ParseArguments(ParseTraceOptions, arguments, &refused, &error)) << arguments[1];
    }
}

// A port a tool takes is one the configuration dialog lists: 0 to 255.
TEST(PortOptions, EveryToolTakesTheDialogsRange)
{
    for (uint32_t port : {0u, 255u, 256u}) {
        const std::string text = std::to_string(port);
        SimOptions sim;
        TraceOptions trace;
        std::string error;
        EXPECT_EQ(port <= 255, ParseArguments(ParseSimOptions, {"--port", text.c_str()}, &sim, &error))
            << port;
        EXPECT_EQ(port <= 255, ParseArguments(ParseTraceOptions, {"--port", text.c_str()}, &trace, &error))
            << port;
        EXPECT_EQ(port <= 255 ? port : PORT_FROM_SETTINGS, trace.port) << port;
    }
}

TEST(TracePacketLine, NamesTheResultAndTheLikelyCause)
{
    static const uint8_t PAYLOAD[] = {0x01, 0xFF};
    static const struct {
        ResultCode result;
        PacketRequestOutcome outcome;
        const char* line;
    } CASES[] = {
        {RESULT_OK, {5, true, 2, false}, "Packet 7: 0x00000000 ok, 2 bytes: 01 FF"},
        {RESULT_OK, {4, false, 0, false},
         "Packet 7: 0x00000000 ok, but nothing new: 4 bytes but no frame start FF 00 (is the baud rate right, "
         "does the device send Ardun frames?); the host is handed the packet before again"},
        {RESULT_TIMEOUT, {9, true, 1, true},
         "Packet 7: 0x800705B4 time-out: the time limit passed inside a frame, 1 of 2 payload bytes: 01 (is "
         "the device or its baud rate too slow for 2-byte packets?)"},
        {RESULT_TIMEOUT, {3, true, 0, false},
         "Packet 7: 0x800705B4 time-out: a frame cut short, 0 of 2 payload bytes (does the device send 2-byte "
         "packets?)"},
        {E_FAIL, {0, false, 0, false}, "Packet 7: 0x80004005 failed: the port is not open"},
        {RESULT_TIMEOUT, {0, false, 0, false, true, false},
         "Packet 7: 0x800705B4 port lost: the device is gone (unplugged?); each request tries to open the port "
         "again"},
        {RESULT_TIMEOUT, {4, true, 1, false, true, true},
         "Packet 7: 0x800705B4 port back, port lost after 1 of 2 payload bytes: 01; each request tries to open "
         "the port again"},
        {RESULT_OK, {5, true, 2, false, false, true}, "Packet 7: 0x00000000 port back, ok, 2 bytes: 01 FF"},
    };
    for (const auto& c : CASES)
        EXPECT_EQ(c.line, DescribePacketRequest(7, 2, c.result, c.outcome, PAYLOAD));
}

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
// `skipped` bytes are left out, as by a listener that began late.
static std::vector<uint8_t> LibraryLine(size_t frames, size_t length, size_t noise, size_t skipped = 0)
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
        const std::vector<uint8_t> bytes = ArdunFrameBytes(payload);
        line.insert(line.end(), bytes.begin(), bytes.end());
    }
    line.erase(line.begin(), line.begin() + skipped);
    return line;
}

TEST(TraceFrameLengthMeter, MeasuresThePayloadBetweenFrameStarts)
{
    static const struct {
        std::vector<uint8_t> line;
        uint32_t length;
    } CASES[] = {
        {LibraryLine(8, 14, 0), 14},
        {LibraryLine(8, 12, 4), 12},
        {LibraryLine(8, 1, 3), 1},
        // Begun in the middle of a frame: the first gap does not count.
        {LibraryLine(9, 20, 2, 9), 20},
        {LibraryLine(3, 14, 0), 0},  // two gaps only: too few to tell
        // A device without the library: frame starts alone, a doubled FF counted once.
        {{0xFF, 0x00, 1, 2, 0xFF, 0xFF, 0xFF, 0x00, 4, 5,    6,   0xFF,
          0x00, 7,    8, 9, 0xFF, 0x00, 1,    2,    3, 0xFF, 0x00},
         3},
        {{1, 2, 3, 0xFF, 0xFF, 0x00, 4}, 0},  // a doubled FF before 00 is data, no frame start
    };
    for (const auto& c : CASES) {
        FrameLengthMeter meter;
        meter.Add(c.line.data(), c.line.size());
        EXPECT_EQ(c.length, meter.PayloadLength()) << FormatHexBytes(c.line.data(), c.line.size());
    }
}

TEST(TraceRequestView, NamesFramesShorterThanAskedForAndAMeasuredMismatchOnce)
{
    static const struct {
        std::vector<uint8_t> bytes;
        uint32_t wanted;
        uint32_t measured;
        const char* line;
    } CASES[] = {
        // Ends in the end bytes: 4 payload bytes asked as 6.
        {{0x55, 0xFF, 0x00, 1, 2, 3, 4, 0x55, 0x55, 0x20},
         6,
         0,
         "the device's frames look shorter than 6 bytes: about 4"},
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
        EXPECT_EQ(c.line, ShorterFramesLine(c.bytes, c.wanted, false, c.measured));

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
         "no byte at all: is it the right port, is the device on and sending?"},
        {{{{}, TIME_OUT}, {{0x31, 0x32, 0x33}, TIME_OUT}},
         16,
         "0 ok, 2 time-outs, 0 failed, 0 misread",
         "no frames: 3 bytes but no frame start FF 00; is the baud rate right, does the device send Ardun "
         "frames?"},
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
