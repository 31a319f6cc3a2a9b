// The component's operations as the host calls them: results, the error flag
// and text, the time-outs and purges on the virtual COM pair, and the slots
// reached from C by number.
#include "parser/ardun_parser.h"

#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <chrono>
#include <thread>

#include "testkit/settings_file.h"
#include "testkit/test_ports.h"
#include "testkit/vtable_calls.h"
#include "tests/parser/parser_on_pair.h"

namespace {

const uint8_t MARK = 0xA5;

// Offsets of the bytes that differ from the marker fill.
std::vector<size_t> ChangedOffsets(const uint8_t* record, size_t size)
{
    std::vector<size_t> changed;
    for (size_t i = 0; i < size; ++i)
        if (record[i] != MARK)
            changed.push_back(i);
    return changed;
}

void AddRange(std::vector<size_t>* offsets, size_t first, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        offsets->push_back(first + i);
}

TEST(ArdunParserInfo, ComponentInfoWritesExactlyItsFields)
{
    MVArdunParser parser;
    EXPECT_EQ(MV_COMPONENT_TYPE_DATA_ACQ, parser.GetComponentType());
    EXPECT_EQ(100001, parser.GetComponentType());
    EXPECT_EQ(0, parser.GetComponentInfo(nullptr));

    MVComponentInfo info;
    memset(&info, MARK, sizeof info);
    EXPECT_EQ(1, parser.GetComponentInfo(&info));
    const uint8_t guid[16] = {0xC1, 0xB2, 0x94, 0x7E, 0xDA, 0x06, 0x38, 0x4C,
                              0xB5, 0x71, 0x2F, 0x8E, 0x6A, 0x0D, 0x93, 0xB4};
    EXPECT_EQ(0, memcmp(guid, &info.componentId, sizeof guid));
    EXPECT_STREQ("Ardun Packet Parser Component", info.name);
    EXPECT_STREQ("This component parses Ardun 1 and Ardun 3 data packets.", info.description);
    EXPECT_STREQ("1.0.0", info.version);
    EXPECT_EQ(1, info.trailer1);
    EXPECT_EQ(1, info.trailer2);
    EXPECT_EQ(0, info.trailer3);

    std::vector<size_t> expected;
    AddRange(&expected, 4, 16);
    AddRange(&expected, 20, strlen(info.name) + 1);
    AddRange(&expected, 70, strlen(info.description) + 1);
    AddRange(&expected, 582, strlen(info.version) + 1);
    AddRange(&expected, 600, 8);
    // The trailer's zero bytes differ from the mark too; nothing else may.
    EXPECT_EQ(expected, ChangedOffsets((const uint8_t*)&info, sizeof info));
}

TEST(ArdunParserInfo, HardwareInfoWritesTheNameAndTheByteAfterIt)
{
    MVArdunParser parser;
    EXPECT_EQ(E_INVALIDARG, parser.GetHardwareInfo(nullptr));
    uint8_t record[64];
    memset(record, MARK, sizeof record);
    EXPECT_EQ(0, parser.GetHardwareInfo((MVHardwareInfo*)record));
    EXPECT_STREQ("Fake Data Acq Hardware", (const char*)record + 4);
    std::vector<size_t> expected;
    AddRange(&expected, 4, strlen("Fake Data Acq Hardware") + 1);
    expected.push_back(54);
    EXPECT_EQ(expected, ChangedOffsets(record, sizeof record));
}

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

TEST_F(ArdunParserOnPair, FailedOpenNamesThePortUntilTheNextFailure)
{
    SetPortSettingText(TestPortPath(UNOPENABLE).c_str());
    EXPECT_EQ(E_FAIL, OpenHostSide());
    int32_t flag = 0;
    const std::string expected = "Could not open " + TestPortPath(UNOPENABLE);
    EXPECT_EQ(expected, parser.GetLastErrorText(&flag));
    EXPECT_EQ(1, flag);

    SetPortSettingText(TestPortPath(HOST_SIDE).c_str());
    EXPECT_EQ(0, OpenHostSide());
    EXPECT_EQ(expected, parser.GetLastErrorText(&flag));
    EXPECT_EQ(1, flag);
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
                                     opened.readTotalTimeoutMultiplier,
                                     opened.readTotalTimeoutConstant,
                                     opened.writeTotalTimeoutMultiplier,
                                     opened.writeTotalTimeoutConstant}));
    EXPECT_EQ(0, parser.SetTimeouts(&timeouts));
    MVTimeouts back = {0x33333333u, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, parser.GetTimeouts(&back));
    EXPECT_EQ((std::vector<uint32_t>{0x33333333u, 1, 2, 3, 4, 5}),
              (std::vector<uint32_t>{back.hostReserved, back.readIntervalTimeout,
                                     back.readTotalTimeoutMultiplier,
                                     back.readTotalTimeoutConstant,
                                     back.writeTotalTimeoutMultiplier,
                                     back.writeTotalTimeoutConstant}));
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

// The host calls every operation by its slot number, thiscall, from its own
// code: each slot must be the right operation and remove its own arguments.
TEST_F(ArdunParserOnPair, SlotsReachedFromCByNumber)
{
    void* self = static_cast<IMVDataAcqIO*>(&parser);
    SlotCall call = CallSlot1Arg(self, 0, 0);
    EXPECT_EQ(self, call.pointer);
    EXPECT_EQ(0, call.stackDelta);

    call = CallSlot0Args(self, 1);
    EXPECT_EQ(100001u, call.result);
    EXPECT_EQ(0, call.stackDelta);

    MVComponentInfo info = {};
    call = CallSlot1Arg(self, 2, (SlotArg)&info);
    EXPECT_EQ(1u, call.result);
    EXPECT_STREQ("Ardun Packet Parser Component", info.name);

    call = CallSlot1Arg(self, 3, 0);  // a null request shows no dialog
    EXPECT_EQ(0u, call.result);
    EXPECT_EQ(0, call.stackDelta);

    call = CallSlot3Args(self, 4, 1, 2, 3);
    EXPECT_EQ(0u, call.result);
    EXPECT_EQ(0, call.stackDelta);

    int32_t flag = 9;
    call = CallSlot1Arg(self, 5, (SlotArg)&flag);
    EXPECT_EQ(parser.GetLastErrorText(nullptr), call.pointer);
    EXPECT_EQ(0, flag);

    MVHardwareInfo hardware = {};
    call = CallSlot1Arg(self, 6, (SlotArg)&hardware);
    EXPECT_EQ(0u, call.result);
    EXPECT_STREQ("Fake Data Acq Hardware", hardware.name);

    // One packet the way the host asks for it: Open, Write P N, Read N, Close.
    const Bytes payload = {0xFF, 0x00, 0xFF, 0xFF, 0x10};

    MVOpenParams params = {OPEN_KIND_SERIAL, TEST_BAUD_RATE};
    call = CallSlot1Arg(self, 7, (SlotArg)&params);
    ASSERT_EQ(0u, call.result);
    EXPECT_EQ(0, call.stackDelta);
    Send(Framed(payload));

    uint8_t ask[2] = {0x50, (uint8_t)payload.size()};
    uint32_t handled = 0;
    MVIORequest write = {0, ask, 2, &handled};
    call = CallSlot1Arg(self, 9, (SlotArg)&write);
    EXPECT_EQ(0u, call.result);
    EXPECT_EQ(0, call.stackDelta);
    EXPECT_EQ(2u, handled);

    Bytes buffer(payload.size(), 0xEE);
    MVIORequest read = {0, buffer.data(), (uint32_t)buffer.size(), &handled};
    call = CallSlot1Arg(self, 10, (SlotArg)&read);
    EXPECT_EQ(0u, call.result);
    EXPECT_EQ(payload.size(), handled);
    EXPECT_EQ(payload, buffer);

    MVTimeouts timeouts = {0, 10, 20, 30, 40, 50};
    EXPECT_EQ(0u, CallSlot1Arg(self, 11, (SlotArg)&timeouts).result);
    MVTimeouts back = {};
    call = CallSlot1Arg(self, 12, (SlotArg)&back);
    EXPECT_EQ(0u, call.result);
    EXPECT_EQ(30u, back.readTotalTimeoutConstant);

    EXPECT_EQ(0, CallSlot0Args(self, 13).stackDelta);
    EXPECT_EQ(0, CallSlot0Args(self, 14).stackDelta);
    call = CallSlot0Args(self, 8);
    EXPECT_EQ(0u, call.result);
    EXPECT_EQ(0, call.stackDelta);
    EXPECT_EQ(E_FAIL, parser.GetTimeouts(&back)) << "slot 8 closed the port";
}

}  // namespace
