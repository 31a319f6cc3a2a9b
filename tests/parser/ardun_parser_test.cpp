// The component's operations as the host calls them: results, the error flag
// and text, the time-outs and purges on the virtual COM pair. The records it
// writes and its slots by number are checked on the built DLL
// (tests/contract).
#include "parser/ardun_parser.h"

#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "testkit/parser_on_pair.h"
#include "testkit/test_ports.h"

namespace {

TEST(ArdunParserInfo, ErrorTextWithoutFlagPointerStillComesBack)
{
    MVArdunParser parser;
    const char* text = parser.GetLastErrorText(nullptr);
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ("", text);
    int32_t flag = 7;
    EXPECT_EQ(text, parser.GetLastErrorText(&flag));
    EXPECT_EQ(0, flag);
    EXPECT_EQ(0, parser.ComponentReserved(1, 2, 3));
}

TEST(ArdunParserInfo, ModuleComponentStartsClosedAndEmpty)
{
    MVTimeouts timeouts = {};
    EXPECT_EQ(E_FAIL, TheComponent.GetTimeouts(&timeouts));
    EXPECT_EQ(0u, TheComponent.StoredCount());
}

typedef ParserOnPair ArdunParserOnPair;

TEST_F(ArdunParserOnPair, OpenOfAnotherKindFailsAndLeavesThePortAsItWas)
{
    RaiseErrorFlag();
    const std::string oldText = parser.GetLastErrorText(nullptr);
    EXPECT_EQ(E_FAIL, OpenKind(8));
    EXPECT_EQ(0, ErrorFlag());
    EXPECT_EQ(oldText, parser.GetLastErrorText(nullptr));

    ASSERT_EQ(0, OpenHostSide());
    EXPECT_EQ(E_FAIL, OpenKind(8));
    MVTimeouts timeouts = {};
    EXPECT_EQ(0, parser.GetTimeouts(&timeouts)) << "the open port was closed";
    EXPECT_EQ(0, parser.Open(nullptr));
}

TEST_F(ArdunParserOnPair, WriteRefusesMissingArgumentsAndIgnoresOtherRequests)
{
    ASSERT_EQ(0, OpenHostSide());
    uint8_t bytes[3] = {0x50, 0x20, 0x00};
    uint32_t count = 0xDEADBEEF;
    const struct {
        const char* what;
        MVIORequest request;
    } invalid[] = {
        {"null buffer", {0, nullptr, 2, &count}},
        {"zero length", {0, bytes, 0, &count}},
    };
    for (auto c : invalid) {
        RaiseErrorFlag();
        ASSERT_EQ(0, OpenHostSide());
        EXPECT_EQ(E_INVALIDARG, parser.Write(&c.request)) << c.what;
        EXPECT_EQ(0, ErrorFlag()) << c.what;
        EXPECT_EQ(0xDEADBEEFu, count) << c.what;
    }
    RaiseErrorFlag();
    EXPECT_EQ(E_INVALIDARG, parser.Write(nullptr));
    EXPECT_EQ(0, ErrorFlag());

    // Requests that are not P, N read nothing: the queued bytes stay.
    ASSERT_EQ(0, OpenHostSide());
    const Bytes queued = {0xFF, 0xFF, 0x00, 0x42, 0x43};
    Send(queued);
    uint8_t notP[2] = {0x51, 0x20};
    const struct {
        const char* what;
        MVIORequest request;
    } others[] = {
        {"the letter alone", {0, bytes, 1, &count}},
        {"another letter", {0, notP, 2, &count}},
        {"three bytes", {0, bytes, 3, &count}},
    };
    for (auto c : others) {
        count = 0xDEADBEEF;
        EXPECT_EQ(0, parser.Write(&c.request)) << c.what;
        EXPECT_EQ(0u, count) << c.what;
    }
    parser.Close();
    EXPECT_EQ(queued, TakeQueuedAtHostSide());
}

TEST_F(ArdunParserOnPair, PacketRequestsOnAClosedPortFailAndClearTheFlag)
{
    RaiseErrorFlag();
    uint32_t handled = 0;
    EXPECT_EQ(E_FAIL, RequestPacket(0x20, &handled));
    EXPECT_EQ(2u, handled);
    EXPECT_EQ(0, ErrorFlag());
}

TEST_F(ArdunParserOnPair, ReadRefusesANullRequestAndReportsTheCountForAnEmptyOne)
{
    RaiseErrorFlag();
    EXPECT_EQ(E_INVALIDARG, parser.Read(nullptr));
    EXPECT_EQ(0, ErrorFlag());

    ASSERT_EQ(0, OpenHostSide());
    Send(Framed({0x61, 0x62, 0x63}));
    ASSERT_EQ(0, RequestPacket(3));
    uint32_t count = 0;
    MVIORequest noBuffer = {0, nullptr, 3, &count};
    EXPECT_EQ(0, parser.Read(&noBuffer));
    EXPECT_EQ(3u, count);
    uint8_t byte = 0xEE;
    count = 0;
    MVIORequest noLength = {0, &byte, 0, &count};
    EXPECT_EQ(0, parser.Read(&noLength));
    EXPECT_EQ(3u, count);
    EXPECT_EQ(0xEE, byte);
}

TEST_F(ArdunParserOnPair, TimeoutsNeedAnOpenPortAndRoundTrip)
{
    RaiseErrorFlag();
    MVTimeouts timeouts = {0x11111111u, 1, 2, 3, 4, 5};
    EXPECT_EQ(E_FAIL, parser.GetTimeouts(&timeouts));
    EXPECT_EQ(1, ErrorFlag()) << "GetTimeouts leaves the flag alone";
    EXPECT_EQ(E_FAIL, parser.SetTimeouts(&timeouts));
    EXPECT_EQ(0, ErrorFlag());
    RaiseErrorFlag();
    EXPECT_EQ(E_FAIL, parser.SetTimeouts(nullptr));
    EXPECT_EQ(0, ErrorFlag());
    EXPECT_EQ(E_FAIL, parser.GetTimeouts(nullptr));

    ASSERT_EQ(0, OpenHostSide());
    MVTimeouts opened = {0x22222222u, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, parser.GetTimeouts(&opened));
    EXPECT_EQ((std::vector<uint32_t>{0x22222222u, 40, 0, 300, 0, 300}),
              (std::vector<uint32_t>{opened.hostReserved, opened.readIntervalTimeout,
                                     opened.readTotalTimeoutMultiplier, opened.readTotalTimeoutConstant,
                                     opened.writeTotalTimeoutMultiplier, opened.writeTotalTimeoutConstant}));
    EXPECT_EQ(0, parser.SetTimeouts(&timeouts));
    MVTimeouts back = {0x33333333u, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, parser.GetTimeouts(&back));
    EXPECT_EQ((std::vector<uint32_t>{0x33333333u, 1, 2, 3, 4, 5}),
              (std::vector<uint32_t>{back.hostReserved, back.readIntervalTimeout,
                                     back.readTotalTimeoutMultiplier, back.readTotalTimeoutConstant,
                                     back.writeTotalTimeoutMultiplier, back.writeTotalTimeoutConstant}));
}

TEST_F(ArdunParserOnPair, PurgesSucceedClosedAndPurgeInputDropsQueuedBytes)
{
    EXPECT_EQ(0, parser.PurgeInput());
    EXPECT_EQ(0, parser.PurgeOutput());

    ASSERT_EQ(0, OpenHostSide());
    Send(Framed({0x01, 0x02}));
    EXPECT_EQ(0, parser.PurgeOutput());
    EXPECT_EQ(0, parser.PurgeInput());
    EXPECT_EQ(RESULT_TIMEOUT, RequestPacket(2));
    EXPECT_EQ(0u, parser.StoredCount());
}

// A receiver of both the port's tap and the component's events that writes
// down what reaches it, as the log (steps, no requests) or the publisher
// (requests, no steps) would take it.
class Recorder final : public PortTap, public ComponentEvents {
public:
    Recorder(bool takesSteps, bool wantsRequests) : PortTap(takesSteps), wantsRequests(wantsRequests) {}
    void PortStep(const char* line) override { got.push_back(line); }
    void BytesRead(const uint8_t*, uint32_t count) override { bytes += count; }
    void Opened(const char*, uint32_t, ResultCode) override { got.push_back("Opened"); }
    void Closed(ResultCode) override { got.push_back("Closed"); }
    bool RequestBegins() override { return wantsRequests; }
    void RequestEnded(const PortRequestEvent& request) override
    {
        got.push_back("Request of " + std::to_string(request.stored));
    }

    const bool wantsRequests;
    std::vector<std::string> got;
    uint32_t bytes = 0;
};

TEST_F(ArdunParserOnPair, EachReceiverGetsWhatItTakesWhateverAnotherDoes)
{
    const std::string path = TestPortPath(HOST_SIDE);
    const std::vector<std::string> steps = {"KVSerial: Port Closed",
                                            "KVSerial: Successfully opened " + path,
                                            "KVSerial: " + path + " opened at 115200 baud",
                                            "Opened",
                                            "KVSerial: Port Closed",
                                            "Closed"};
    const std::vector<std::string> requests = {"Opened", "Request of 4", "Closed"};
    const struct {
        const char* what;
        bool logDetached, publisherDetached;
    } cases[] = {
        {"both attached", false, false},
        {"the log detached", true, false},
        {"the publisher detached", false, true},
    };
    for (const auto& c : cases) {
        Recorder log(true, false), publisher(false, true);
        ASSERT_TRUE(parser.AttachTap(&log) && parser.AttachEvents(&log)) << c.what;
        ASSERT_TRUE(parser.AttachTap(&publisher) && parser.AttachEvents(&publisher)) << c.what;
        if (c.logDetached) {
            parser.DetachTap(&log);
            parser.DetachEvents(&log);
        }
        if (c.publisherDetached) {
            parser.DetachTap(&publisher);
            parser.DetachEvents(&publisher);
        }
        ASSERT_EQ(0, OpenHostSide()) << c.what;
        Send(Framed({0x01, 0x02, 0x03, 0x04}));
        EXPECT_EQ(0, RequestPacket(4)) << c.what;
        EXPECT_EQ(0, parser.Close()) << c.what;
        parser.DetachTap(&log);
        parser.DetachEvents(&log);
        parser.DetachTap(&publisher);
        parser.DetachEvents(&publisher);

        // The publisher takes no text: not one step reaches it.
        EXPECT_EQ(c.logDetached ? std::vector<std::string>{} : steps, log.got) << c.what;
        EXPECT_EQ(c.publisherDetached ? std::vector<std::string>{} : requests, publisher.got) << c.what;
        const uint32_t read = c.logDetached ? publisher.bytes : log.bytes;
        EXPECT_GE(read, 4u) << c.what;  // the payload at least went through the port
        EXPECT_EQ(c.logDetached ? 0 : read, log.bytes) << c.what;
        EXPECT_EQ(c.publisherDetached ? 0 : read, publisher.bytes) << c.what;
    }
}

}  // namespace
