// Bad input and failing surroundings, driven through the built DLL the way
// the host drives it (slots called by number from C): null and minimum-size
// records at the edge of an untouchable page, the port operations in any
// order, the device falling silent in the middle of a frame and coming back,
// settings files of every length with random content, and a settings file
// held by another handle.
//
// Wine cannot make the faults real Windows gives instead: a USB adapter
// pulled out (ReadFile then fails instead of returning no byte), a COM port
// that another program holds (Wine lets a second open succeed), a driver that
// refuses the line settings, a folder or disk that refuses the save or the
// load. Those are injected at the DLL's own imports in injected_faults_test.cpp,
// a save that cannot create the file among them; the refused line settings at
// the port object's in kv_serial_test.cpp. Here the far end going away
// is silence, as Wine shows it. Only real Windows and real hardware show the
// real drivers' timing and a real board's reset when the open raises DTR.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "firmware/frame_bytes.h"
#include "testkit/device_port.h"
#include "testkit/guarded_block.h"
#include "testkit/open_handles.h"
#include "testkit/plugin_fixture.h"
#include "testkit/settings_file.h"

namespace {

const uint32_t UNTOUCHED_COUNT = 0xDDDDDDDDu;

// Seconds a packet request may take: the time limit plus one read time-out,
// with room for a slow machine.
const double LONGEST_REQUEST_SECONDS = 3.0 + 0.3 + 1.5;

class PluginFaults : public PluginFixture {};

struct NullCase {
    const char* what;
    int slotNumber;
    uint32_t expected;
};

TEST_F(PluginFaults, NullRecordsAreRefusedOrIgnoredWithThePortClosedOrOpen)
{
    const NullCase cases[] = {
        {"GetComponentInfo", slot::COMPONENT_INFO, 0},
        {"ShowConfig", slot::COMPONENT_SHOW_CONFIG, 0},
        {"GetHardwareInfo", slot::HARDWARE_INFO, INVALID},
        {"Open", slot::OPEN, OK},
        {"Write", slot::WRITE, INVALID},
        {"Read", slot::READ, INVALID},
        {"SetTimeouts", slot::SET_TIMEOUTS, FAIL},
        {"GetTimeouts", slot::GET_TIMEOUTS, FAIL},
    };
    for (bool open : {false, true}) {
        if (open) {
            ASSERT_EQ(OK, session.Open());
        }
        for (const NullCase& c : cases) {
            EXPECT_EQ(c.expected, Call(c.slotNumber, nullptr)) << c.what << (open ? " open" : " closed");
            EXPECT_EQ(open, PortIsOpen()) << c.what << " left the port as it was";
        }
    }
    EXPECT_EQ(0u, session.Call(session.Plugin(), slot::PLUGIN_INFO, 0));
    EXPECT_EQ(0u, session.Call(session.Plugin(), slot::PLUGIN_SHOW_CONFIG, 0));
}

struct RequestCase {
    const char* what;
    int slotNumber;
    bool nullBuffer;
    uint32_t length;
    bool nullCount;
    uint32_t expectedClosed;
    uint32_t expectedOpen;  // on a silent line, nothing ever stored
    uint32_t expectedCount;  // UNTOUCHED_COUNT: the count must not be written
};

TEST_F(PluginFaults, RequestsWithMissingPartsNeverWriteWhatTheyMustNot)
{
    const RequestCase cases[] = {
        {"write, no buffer", slot::WRITE, true, 2, false, INVALID, INVALID, UNTOUCHED_COUNT},
        {"write, length 0", slot::WRITE, false, 0, false, INVALID, INVALID, UNTOUCHED_COUNT},
        {"write, no count", slot::WRITE, false, 2, true, FAIL, TIMEOUT, UNTOUCHED_COUNT},
        {"read, no buffer", slot::READ, true, 5, false, OK, OK, 0},
        {"read, length 0", slot::READ, false, 0, false, OK, OK, 0},
        {"read, no count", slot::READ, false, 3, true, FAIL, TIMEOUT, UNTOUCHED_COUNT},
    };
    for (bool open : {false, true}) {
        if (open) {
            ASSERT_EQ(OK, session.Open());
        }
        for (const RequestCase& c : cases) {
            uint8_t buffer[8] = {'P', 4, MARK, MARK, MARK, MARK, MARK, MARK};
            uint32_t count = UNTOUCHED_COUNT;
            MVIORequest request = {0, c.nullBuffer ? nullptr : buffer, c.length, c.nullCount ? nullptr : &count};
            EXPECT_EQ(open ? c.expectedOpen : c.expectedClosed, Call(c.slotNumber, &request))
                << c.what << (open ? " open" : " closed");
            EXPECT_EQ(c.expectedCount, count) << c.what;
            if (c.slotNumber == slot::READ) {
                EXPECT_EQ(MARK, buffer[2]) << c.what << ": nothing held, nothing copied";
            }
        }
    }
}

TEST_F(PluginFaults, RecordsOfTheirSmallestSizeAreNeverOverrun)
{
    GuardedBlock records, buffers, counts;
    ASSERT_TRUE(records.IsReady() && buffers.IsReady() && counts.IsReady());

    EXPECT_EQ(1u, session.Call(session.Plugin(), slot::PLUGIN_INFO, Arg(records.Place(716, MARK))));
    EXPECT_EQ(1u, Call(slot::COMPONENT_INFO, records.Place(608, MARK)));
    EXPECT_EQ(OK, Call(slot::HARDWARE_INFO, records.Place(55, MARK)));

    MVOpenParams* params = (MVOpenParams*)records.Place(sizeof(MVOpenParams), 0);
    params->kind = OPEN_KIND_SERIAL;
    params->baudRate = 115200;
    ASSERT_EQ(OK, Call(slot::OPEN, params));

    MVTimeouts* timeouts = (MVTimeouts*)records.Place(sizeof(MVTimeouts), MARK);
    EXPECT_EQ(OK, Call(slot::GET_TIMEOUTS, timeouts));
    EXPECT_EQ(OK, Call(slot::SET_TIMEOUTS, timeouts));

    // A one-byte write buffer: the request's second byte must not be read.
    uint8_t* letter = buffers.Place(1, 'P');
    uint32_t* count = (uint32_t*)counts.Place(sizeof(uint32_t), MARK);
    MVIORequest* request = (MVIORequest*)records.Place(sizeof(MVIORequest), 0);
    *request = {0, letter, 1, count};
    EXPECT_EQ(OK, Call(slot::WRITE, request));
    EXPECT_EQ(0u, *count);

    // A held payload longer than the host's read buffer is cut to its length.
    const std::vector<uint8_t> payload = Counting(10, 0x30);
    DevicePort device;
    ASSERT_TRUE(device.IsOpen());
    ASSERT_TRUE(device.SendQueued(ArdunFrameBytes(payload)));
    uint8_t* requestBytes = buffers.Place(2, 0);
    requestBytes[0] = 'P';
    requestBytes[1] = 10;
    *request = {0, requestBytes, 2, count};
    ASSERT_EQ(OK, Call(slot::WRITE, request));
    uint8_t* three = buffers.Place(3, MARK);
    *request = {0, three, 3, count};
    // The line is silent: the held payload is handed out, cut to the length.
    EXPECT_EQ(TIMEOUT, Call(slot::READ, request));
    EXPECT_EQ(3u, *count);
    EXPECT_EQ(std::vector<uint8_t>(payload.begin(), payload.begin() + 3), std::vector<uint8_t>(three, three + 3));

    // A read longer than the component's buffer: it never stores or copies
    // more than it holds.
    const std::vector<uint8_t> longPayload = Counting(300, 0x01);
    ASSERT_TRUE(device.SendQueued(ArdunFrameBytes(longPayload)));
    uint8_t* large = buffers.Place(1000, MARK);
    *request = {0, large, 1000, count};
    EXPECT_EQ(TIMEOUT, Call(slot::READ, request));
    EXPECT_EQ(256u, *count);
    EXPECT_EQ(0, memcmp(large, longPayload.data(), *count));
    EXPECT_EQ(OK, Call(slot::CLOSE));
}

// One step of a host's session and the result it must give.
enum Step { OPEN, OPEN_OTHER_KIND, CLOSE, WRITE, READ, SET_TIMEOUTS, GET_TIMEOUTS, PURGE_IN, PURGE_OUT };

struct OrderCase {
    std::vector<Step> steps;
    std::vector<uint32_t> expected;
};

class OperationOrder : public PluginFaults {
protected:
    // Runs one step on a silent line. Reads wait 30 ms for a byte, so that a
    // long session stays quick.
    uint32_t Run(Step step)
    {
        uint8_t buffer[4] = {'P', 3, 0, 0};
        uint32_t count = 0;
        MVIORequest request = {0, buffer, step == WRITE ? 2u : 3u, &count};
        MVTimeouts timeouts = {0, 10, 0, 30, 0, 30};
        switch (step) {
        case OPEN: {
            uint32_t result = session.Open();
            if (result == OK)
                Call(slot::SET_TIMEOUTS, &timeouts);
            return result;
        }
        case OPEN_OTHER_KIND:
            return session.Open(8);
        case CLOSE:
            return Call(slot::CLOSE);
        case WRITE:
        case READ:
            return Call(step == WRITE ? slot::WRITE : slot::READ, &request);
        case SET_TIMEOUTS:
            return Call(slot::SET_TIMEOUTS, &timeouts);
        case GET_TIMEOUTS:
            return Call(slot::GET_TIMEOUTS, &timeouts);
        case PURGE_IN:
            return Call(slot::PURGE_INPUT);
        case PURGE_OUT:
            return Call(slot::PURGE_OUTPUT);
        }
        return 0xFFFFFFFFu;
    }

    // What a step must give while the port is open or closed; the steps that
    // change the port's state say so through open.
    static uint32_t Expected(Step step, bool* open)
    {
        switch (step) {
        case OPEN:
            *open = true;
            return OK;
        case OPEN_OTHER_KIND:
            return FAIL;  // the port stays as it was
        case CLOSE:
            *open = false;
            return OK;
        case WRITE:
        case READ:
            return *open ? TIMEOUT : FAIL;  // silence: nothing ever stored
        case SET_TIMEOUTS:
        case GET_TIMEOUTS:
            return *open ? OK : FAIL;
        case PURGE_IN:
        case PURGE_OUT:
            return OK;
        }
        return 0xFFFFFFFFu;
    }
};

TEST_F(OperationOrder, EveryOrderOfTheTableGivesTheExpectedResults)
{
    const OrderCase cases[] = {
        {{CLOSE, CLOSE, READ, WRITE, GET_TIMEOUTS, SET_TIMEOUTS, PURGE_IN, PURGE_OUT},
         {OK, OK, FAIL, FAIL, FAIL, FAIL, OK, OK}},
        {{OPEN, OPEN, CLOSE, CLOSE, WRITE}, {OK, OK, OK, OK, FAIL}},
        {{OPEN, WRITE, READ, CLOSE, READ, OPEN, GET_TIMEOUTS}, {OK, TIMEOUT, TIMEOUT, OK, FAIL, OK, OK}},
        {{OPEN_OTHER_KIND, OPEN, OPEN_OTHER_KIND, GET_TIMEOUTS, CLOSE, OPEN_OTHER_KIND, GET_TIMEOUTS},
         {FAIL, OK, FAIL, OK, OK, FAIL, FAIL}},
        {{READ, OPEN, CLOSE, OPEN, SET_TIMEOUTS, WRITE, PURGE_IN, PURGE_OUT, CLOSE, SET_TIMEOUTS},
         {FAIL, OK, OK, OK, OK, TIMEOUT, OK, OK, OK, FAIL}},
    };
    for (size_t row = 0; row < sizeof cases / sizeof cases[0]; ++row) {
        Reload();
        for (size_t i = 0; i < cases[row].steps.size(); ++i)
            EXPECT_EQ(cases[row].expected[i], Run(cases[row].steps[i])) << "row " << row << ", step " << i;
    }
}

TEST_F(OperationOrder, RandomOrdersFollowThePortsStateAndLeakNoHandle)
{
    // The same random session three times, each in a freshly loaded module.
    // The first round may leave process-wide state of the platform behind
    // (the serial driver's own objects); after it, no round may add a handle.
    const unsigned seed = 20240611;
    HandleSet afterRound[3];
    for (int round = 0; round < 3; ++round) {
        Reload();
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> pick(OPEN, PURGE_OUT);
        bool open = false;
        for (int i = 0; i < 300; ++i) {
            const Step step = (Step)pick(random);
            const uint32_t expected = Expected(step, &open);
            ASSERT_EQ(expected, Run(step)) << "seed " << seed << ", step " << i << " (" << step << ")";
        }
        session.Unload();
        afterRound[round] = OpenHandles();
    }
    EXPECT_EQ(afterRound[1], afterRound[2]) << "a session left handles behind:"
                                            << DescribeHandleChange(afterRound[1], afterRound[2]);
    ASSERT_TRUE(session.Load());
}

TEST_F(PluginFaults, DeviceFallingSilentMidFrameEndsTheRequestThenTheNextOneWorks)
{
    ASSERT_EQ(OK, session.Open());
    const std::vector<uint8_t> payload = Counting(8, 0x41);
    const std::vector<uint8_t> whole = ArdunFrameBytes(payload);
    // The device goes away after five payload bytes, while the host waits.
    std::thread device([&whole] {
        Sleep(100);
        DevicePort port;
        port.Send(std::vector<uint8_t>(whole.begin(), whole.begin() + 3 + 5));  // lead, FF 00, 5 bytes
    });
    const auto start = std::chrono::steady_clock::now();
    uint32_t handled = 0;
    EXPECT_EQ(TIMEOUT, session.RequestPacket(8, &handled));
    const double seconds = SecondsSince(start);
    device.join();
    EXPECT_EQ(2u, handled);
    EXPECT_LT(seconds, LONGEST_REQUEST_SECONDS);

    // The host's read hands out the partial payload it holds.
    uint8_t buffer[8];
    memset(buffer, MARK, sizeof buffer);
    EXPECT_EQ(TIMEOUT, session.ReadPayload(buffer, 8, &handled));
    EXPECT_EQ(5u, handled);
    EXPECT_EQ(0, memcmp(buffer, payload.data(), 5));

    // The device is back: the next request gets a whole frame.
    DevicePort back;
    ASSERT_TRUE(back.IsOpen());
    ASSERT_TRUE(back.SendQueued(whole));
    EXPECT_EQ(OK, session.RequestPacket(8, &handled));
    memset(buffer, MARK, sizeof buffer);
    EXPECT_EQ(OK, session.ReadPayload(buffer, 8, &handled));
    EXPECT_EQ(8u, handled);
    EXPECT_EQ(payload, std::vector<uint8_t>(buffer, buffer + 8));
}

TEST_F(PluginFaults, XonXoffLeftOnByAnEarlierProgramCostsNoByteOfAFrame)
{
    // A terminal switches XON/XOFF on both ways and leaves the port so.
    HANDLE terminal = CreateFileA(TestPortPath(HOST_SIDE).c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL,
                                  OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, terminal);
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    EXPECT_TRUE(GetCommState(terminal, &dcb));
    dcb.fOutX = 1;
    dcb.fInX = 1;
    EXPECT_TRUE(SetCommState(terminal, &dcb));
    ASSERT_TRUE(CloseHandle(terminal));

    // XON, XOFF and NUL inside the payload, and NUL in the frame start.
    const std::vector<uint8_t> payload = {0x11, 0x41, 0x13, 0x00, 0x11, 0x13, 0x00, 0x42};
    ASSERT_EQ(OK, session.Open());
    DevicePort device;
    ASSERT_TRUE(device.SendQueued(ArdunFrameBytes(payload)));
    EXPECT_EQ(OK, session.RequestPacket((uint8_t)payload.size()));
    uint8_t buffer[8];
    uint32_t handled = 0;
    EXPECT_EQ(OK, session.ReadPayload(buffer, 8, &handled));
    EXPECT_EQ(payload, std::vector<uint8_t>(buffer, buffer + handled));
    EXPECT_EQ(OK, session.Close());
}

TEST_F(PluginFaults, SettingsFilesOfEveryLengthWithRandomContentOpenOrNameTheirPath)
{
    const unsigned seed = 4711;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byteValue(0, 255);
    const char defaultPath[25] = "\\\\.\\COM1";
    for (size_t length = 0; length <= 64; ++length) {
        std::vector<uint8_t> file(length);
        for (uint8_t& b : file)
            b = (uint8_t)byteValue(random);
        // Every other file without any zero byte, the harder case.
        if (length % 2)
            for (uint8_t& b : file)
                b = b ? b : 0x5A;
        WriteSettingsFile(file);
        Reload();

        // The path the module holds: the file's first bytes over the default.
        char overlay[25];
        memcpy(overlay, defaultPath, 25);
        memcpy(overlay, file.data(), length < 25 ? length : 25);
        const void* end = memchr(overlay, 0, 25);

        const uint32_t result = session.Open();
        if (result == OK) {
            EXPECT_EQ(OK, session.Close());
            continue;
        }
        ASSERT_EQ(FAIL, result) << "length " << length << ", seed " << seed;
        int32_t flag = 0;
        const std::string text = session.LastErrorText(&flag);
        EXPECT_EQ(1, flag);
        ASSERT_EQ(0u, text.find("Could not open ")) << "length " << length;
        const std::string path = text.substr(strlen("Could not open "));
        EXPECT_LE(path.size(), 24u) << "length " << length;
        if (end != NULL) {
            EXPECT_EQ(std::string(overlay), path) << "length " << length;
        } else {
            EXPECT_EQ(0, memcmp(overlay, path.data(), path.size())) << "length " << length;
        }
    }
}

TEST_F(PluginFaults, SettingsFileHeldByAnotherHandleLeavesTheSettingInForce)
{
    ConfigurePort(TestPortPath(UNOPENABLE));
    HANDLE holder = CreateFileA(SettingsFilePath().c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    Reload();
    int32_t flag = 0;
    EXPECT_EQ(FAIL, session.Open());
    EXPECT_EQ("Could not open \\\\.\\COM1", session.LastErrorText(&flag)) << "the default stays in force";
    ASSERT_TRUE(CloseHandle(holder));

    session.CreatePluginAgain();
    EXPECT_EQ(FAIL, session.Open());
    EXPECT_EQ("Could not open " + TestPortPath(UNOPENABLE), session.LastErrorText(&flag));
}

}  // namespace
