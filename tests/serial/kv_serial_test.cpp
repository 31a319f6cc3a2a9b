#include "serial/kv_serial.h"

#include <gtest/gtest.h>
#include <string.h>

#include <optional>
#include <string>
#include <vector>

#include "testkit/device_port.h"
#include "testkit/edit_log.h"
#include "testkit/kernel32_faults.h"
#include "testkit/open_handles.h"
#include "testkit/test_ports.h"

typedef std::vector<std::string> Lines;

// The line settings as the device holds them, through a handle of our own
// (exclusive opens are not enforced under Wine; on Windows this open fails
// while the object holds the port).
static bool ReadDeviceState(TestPort port, DCB* dcb)
{
    HANDLE other = CreateFileA(TestPortPath(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL,
                               OPEN_EXISTING, 0, NULL);
    if (other == INVALID_HANDLE_VALUE)
        return false;
    memset(dcb, 0, sizeof *dcb);
    dcb->DCBlength = sizeof *dcb;
    const bool read = GetCommState(other, dcb) != FALSE;
    CloseHandle(other);
    return read;
}

static bool WriteDeviceState(TestPort port, DWORD baudRate, bool ctsFlow, BYTE stopBits)
{
    DCB dcb;
    if (!ReadDeviceState(port, &dcb))
        return false;
    HANDLE other = CreateFileA(TestPortPath(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL,
                               OPEN_EXISTING, 0, NULL);
    if (other == INVALID_HANDLE_VALUE)
        return false;
    dcb.BaudRate = baudRate;
    dcb.fOutxCtsFlow = ctsFlow;
    dcb.fRtsControl = ctsFlow ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.StopBits = stopBits;
    const bool written = SetCommState(other, &dcb) != FALSE;
    CloseHandle(other);
    return written;
}

class KVSerialTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(log.IsReady());
        DrainHostSide();
    }
    void TearDown() override { DrainHostSide(); }

    EditLog log;
};

TEST_F(KVSerialTest, FailedOpenLogsThePathThenClosed)
{
    const HandleSet handlesBefore = OpenHandles();
    KVSerial serial;
    serial.AttachLogSink(log.Sink());
    const std::string path = TestPortPath(UNOPENABLE);
    EXPECT_EQ(0, serial.OpenPort(path.c_str(), 9600));
    EXPECT_FALSE(serial.IsOpen());
    EXPECT_EQ((Lines{"KVSerial: Open Port " + path + " Failed", "KVSerial: Port Closed"}), log.Lines());
    EXPECT_EQ(handlesBefore, OpenHandles());
}

TEST_F(KVSerialTest, OpenThenReopenClosesTheOldHandleFirst)
{
    const std::string path = TestPortPath(HOST_SIDE);
    KVSerial serial;
    serial.AttachLogSink(log.Sink());
    const HandleSet handlesClosed = OpenHandles();
    ASSERT_EQ(1, serial.OpenPort(path.c_str(), 115200));
    const HandleSet handlesOpen = OpenHandles();
    EXPECT_EQ(handlesClosed.size() + 1, handlesOpen.size());
    log.Clear();

    ASSERT_EQ(1, serial.OpenPort(path.c_str(), 19200));
    EXPECT_EQ((Lines{"KVSerial: Port Closed", "KVSerial: Successfully opened " + path,
                     "KVSerial: " + path + " opened at 19200 baud"}),
              log.Lines());
    EXPECT_EQ(handlesOpen.size(), OpenHandles().size());

    log.Clear();
    serial.ClosePort();
    serial.ClosePort();
    EXPECT_FALSE(serial.IsOpen());
    EXPECT_EQ((Lines{"KVSerial: Port Closed", "KVSerial: Port Closed"}), log.Lines());
    EXPECT_EQ(handlesClosed, OpenHandles());
}

TEST_F(KVSerialTest, OpenComNumberOpensThatPortAt9600Baud)
{
    KVSerial serial;
    serial.AttachLogSink(log.Sink());
    ASSERT_EQ(1, serial.OpenComNumber((uint32_t)TestPortNumber(HOST_SIDE)));
    EXPECT_EQ(TestPortPath(HOST_SIDE), serial.PortPath());
    EXPECT_EQ("KVSerial: " + TestPortPath(HOST_SIDE) + " opened at 9600 baud", log.Lines().back());
}

// The device had another rate, CTS handshake and two stop bits: the open sets
// rate and handshake and leaves the stop bits as they were.
TEST_F(KVSerialTest, OpenSetsRateAndHandshakeAndKeepsTheRest)
{
    ASSERT_TRUE(WriteDeviceState(HOST_SIDE, 2400, true, TWOSTOPBITS));
    DCB device;
    ASSERT_TRUE(ReadDeviceState(HOST_SIDE, &device));
    ASSERT_EQ(2400u, device.BaudRate);
    ASSERT_EQ(1u, device.fOutxCtsFlow);
    ASSERT_EQ(TWOSTOPBITS, device.StopBits);

    KVSerial serial;
    ASSERT_EQ(1, serial.OpenPort(TestPortPath(HOST_SIDE).c_str(), 57600));
    ASSERT_TRUE(ReadDeviceState(HOST_SIDE, &device));
    EXPECT_EQ(57600u, device.BaudRate);
    EXPECT_EQ(0u, device.fOutxCtsFlow);
    EXPECT_EQ(0u, device.fOutxDsrFlow);
    EXPECT_EQ(TWOSTOPBITS, device.StopBits);
    serial.ClosePort();
    EXPECT_TRUE(WriteDeviceState(HOST_SIDE, 115200, false, ONESTOPBIT));
}

TEST_F(KVSerialTest, ReadsEveryByteValueUnchangedOneByOne)
{
    KVSerial serial;
    ASSERT_EQ(1, serial.OpenPort(TestPortPath(HOST_SIDE).c_str(), 115200));
    DevicePort device;
    ASSERT_TRUE(device.IsOpen());
    std::vector<uint8_t> sent;
    for (int value = 0; value < 256; ++value)
        sent.push_back((uint8_t)value);
    ASSERT_TRUE(device.SendQueued(sent));

    std::vector<uint8_t> received;
    uint8_t byte = 0;
    while (received.size() < sent.size() && serial.ReadByte(&byte) == 1)
        received.push_back(byte);
    EXPECT_EQ(sent, received);
}

TEST_F(KVSerialTest, ReadByteLogsEachByteAsADump)
{
    KVSerial serial;
    ASSERT_EQ(1, serial.OpenPort(TestPortPath(HOST_SIDE).c_str(), 115200));
    serial.AttachLogSink(log.Sink());
    DevicePort device;
    ASSERT_TRUE(device.SendQueued({0x41, 0x42}));
    uint8_t byte = 0;
    ASSERT_EQ(1u, serial.ReadByte(&byte));
    ASSERT_EQ(1u, serial.ReadByte(&byte));
    EXPECT_EQ((Lines{"KVSerial: Read", "0000: 41" + std::string(46, ' ') + "A", "KVSerial: Read",
                     "0000: 42" + std::string(46, ' ') + "B"}),
              log.Lines());
}

TEST_F(KVSerialTest, ReadByteOnASilentLineReturnsNothingAfterTheReadTimeout)
{
    KVSerial serial;
    ASSERT_EQ(1, serial.OpenPort(TestPortPath(HOST_SIDE).c_str(), 115200));
    serial.AttachLogSink(log.Sink());
    uint8_t byte = 0x5A;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(0u, serial.ReadByte(&byte));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_GE(elapsed, 200u);
    EXPECT_LE(elapsed, 3000u);
    EXPECT_EQ("", log.Text());
    EXPECT_EQ(0u, serial.ReadByte(NULL));
}

TEST_F(KVSerialTest, TimeoutsRoundTripAndStartAtTheFixedValues)
{
    KVSerial serial;
    ASSERT_EQ(1, serial.OpenPort(TestPortPath(HOST_SIDE).c_str(), 115200));
    COMMTIMEOUTS read = {};
    ASSERT_TRUE(serial.GetPortTimeouts(&read));
    const COMMTIMEOUTS fixed = {40, 0, 300, 0, 300};
    EXPECT_EQ(0, memcmp(&fixed, &read, sizeof read));

    const COMMTIMEOUTS wanted = {11, 22, 33, 44, 55};
    ASSERT_TRUE(serial.SetPortTimeouts(&wanted));
    memset(&read, 0, sizeof read);
    ASSERT_TRUE(serial.GetPortTimeouts(&read));
    EXPECT_EQ(0, memcmp(&wanted, &read, sizeof read));
    EXPECT_TRUE(serial.GetPortTimeouts(NULL));
    EXPECT_FALSE(serial.SetPortTimeouts(NULL));
}

TEST_F(KVSerialTest, PurgeWithReceiveDiscardsQueuedBytes)
{
    KVSerial serial;
    ASSERT_EQ(1, serial.OpenPort(TestPortPath(HOST_SIDE).c_str(), 115200));
    DevicePort device;
    ASSERT_TRUE(device.SendQueued({1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(serial.PurgePort(false, true));
    uint8_t byte = 0;
    EXPECT_EQ(0u, serial.ReadByte(&byte));
}

TEST_F(KVSerialTest, ClosedObjectRefusesEveryDeviceOperation)
{
    KVSerial serial;
    serial.AttachLogSink(log.Sink());
    COMMTIMEOUTS timeouts = {1, 2, 3, 4, 5};
    uint8_t byte = 0;
    EXPECT_FALSE(serial.PurgePort(true, true));
    EXPECT_FALSE(serial.GetPortTimeouts(&timeouts));
    EXPECT_FALSE(serial.SetPortTimeouts(&timeouts));
    EXPECT_EQ(0u, serial.ReadByte(&byte));
    EXPECT_EQ("", log.Text());
}

TEST_F(KVSerialTest, DestroyingAnOpenObjectClosesItsHandle)
{
    const HandleSet handlesBefore = OpenHandles();
    {
        KVSerial serial;
        ASSERT_EQ(1, serial.OpenPort(TestPortPath(HOST_SIDE).c_str(), 115200));
        EXPECT_EQ(handlesBefore.size() + 1, OpenHandles().size());
    }
    EXPECT_EQ(handlesBefore, OpenHandles());
}

// A regular file opens but has no line state to read.
TEST_F(KVSerialTest, RegularFileFailsAtGetCommState)
{
    char path[MAX_PATH] = "";
    ASSERT_NE(0u, GetTempPathA(MAX_PATH - 20, path));
    strcat(path, "kv_serial_file.bin");
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);

    const HandleSet handlesBefore = OpenHandles();
    KVSerial serial;
    serial.AttachLogSink(log.Sink());
    EXPECT_EQ(0, serial.OpenPort(path, 9600));
    EXPECT_FALSE(serial.IsOpen());
    EXPECT_EQ((Lines{"KVSerial: Successfully opened " + std::string(path), "KVSerial: GetCommState Failed",
                     "KVSerial: Port Closed"}),
              log.Lines());
    EXPECT_EQ(handlesBefore, OpenHandles());
    EXPECT_TRUE(DeleteFileA(path));
}

TEST_F(KVSerialTest, LongPathIsCutTo259Characters)
{
    const std::string longPath = "C:\\" + std::string(300, 'p');
    KVSerial serial;
    serial.AttachLogSink(log.Sink());
    EXPECT_EQ(0, serial.OpenPort(longPath.c_str(), 9600));
    EXPECT_EQ(longPath.substr(0, 259), serial.PortPath());
    EXPECT_EQ((Lines{"KVSerial: Open Port " + longPath.substr(0, 259) + " Failed", "KVSerial: Port Closed"}),
              log.Lines());
}

TEST_F(KVSerialTest, NullPathAfterResetTriesTheEmptyPath)
{
    KVSerial serial;
    ASSERT_EQ(1, serial.OpenPort(TestPortPath(HOST_SIDE).c_str(), 115200));
    serial.Reset();
    EXPECT_FALSE(serial.IsOpen());
    EXPECT_STREQ("", serial.PortPath());
    serial.AttachLogSink(log.Sink());
    EXPECT_EQ(0, serial.OpenPort(NULL, 9600));
    EXPECT_EQ((Lines{"KVSerial: Open Port  Failed", "KVSerial: Port Closed"}), log.Lines());
}

// Faults only real ports and drivers make, injected at this program's own
// imports, which the port object's code calls through. Each names the call
// that refused and its error, logs its own line and leaves no handle.
TEST_F(KVSerialTest, InjectedOpenFaultsNameTheCallAndErrorAndLeaveNoHandle)
{
    const std::string path = TestPortPath(HOST_SIDE);
    const std::string opened = "KVSerial: Successfully opened " + path, closed = "KVSerial: Port Closed";
    const struct {
        const char* event;
        const char* function;
        DWORD error;
        OpenStep step;
    } cases[] = {
        {"a terminal program holds the port", "CreateFileA", ERROR_ACCESS_DENIED, OpenStep::OpenDevice},
        {"another logger holds the port", "CreateFileA", ERROR_SHARING_VIOLATION, OpenStep::OpenDevice},
        {"the adapter cannot report its line state", "GetCommState", ERROR_GEN_FAILURE,
         OpenStep::LineSettings},
        {"a device that is no serial port at all", "GetCommState", ERROR_INVALID_FUNCTION,
         OpenStep::LineSettings},
        {"the driver refuses the baud rate", "SetCommState", ERROR_INVALID_PARAMETER, OpenStep::LineSettings},
        {"an adapter that stops answering refuses the settings", "SetCommState", ERROR_GEN_FAILURE,
         OpenStep::LineSettings},
        {"the driver refuses the time-outs", "SetCommTimeouts", ERROR_INVALID_PARAMETER, OpenStep::Timeouts},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.event);
        const bool atCreate = strcmp(c.function, "CreateFileA") == 0;
        // The port writes one line of its own for the step that failed.
        const Lines expected = atCreate ? Lines{"KVSerial: Open Port " + path + " Failed", closed}
                                        : Lines{opened, "KVSerial: " + std::string(c.function) + " Failed",
                                                closed};
        std::optional<FaultyCreateFile> busy;
        std::optional<FaultyCommState> refused;
        if (atCreate)
            busy.emplace(GetModuleHandleA(NULL), path.c_str(), c.error);
        else
            refused.emplace(GetModuleHandleA(NULL), c.function, c.error);
        ASSERT_TRUE(busy ? busy->IsInstalled() : refused->IsInstalled());
        const HandleSet before = OpenHandles();
        KVSerial serial;
        serial.AttachLogSink(log.Sink());
        log.Clear();
        EXPECT_EQ(0, serial.OpenPort(path.c_str(), 115200));
        EXPECT_FALSE(serial.IsOpen());
        EXPECT_EQ(expected, log.Lines());
        EXPECT_EQ(c.step, serial.FailedOpenStep());
        EXPECT_EQ(c.error, serial.OpenError());
        EXPECT_EQ(before, OpenHandles());
        busy.reset();
        refused.reset();
        EXPECT_EQ(1, serial.OpenPort(path.c_str(), 115200)) << "the driver takes the port again";
        EXPECT_EQ(OpenStep::None, serial.FailedOpenStep());
        EXPECT_EQ((DWORD)ERROR_SUCCESS, serial.OpenError());
    }
}

TEST_F(KVSerialTest, InjectedReadFailuresGiveNoByteAndTheStatusCallDecidesTheDevice)
{
    KVSerial serial;
    ASSERT_EQ(1, serial.OpenPort(TestPortPath(HOST_SIDE).c_str(), 115200));
    serial.AttachLogSink(log.Sink());
    DevicePort device;
    ASSERT_TRUE(device.SendQueued({0x41}));
    const struct {
        ReadFault how;
        DWORD error;
        bool gone;
    } reads[] = {
        {ReadFault::Fails, ERROR_ACCESS_DENIED, true},        {ReadFault::Fails, ERROR_INVALID_HANDLE, true},
        {ReadFault::Fails, ERROR_BAD_COMMAND, true},          {ReadFault::Fails, ERROR_GEN_FAILURE, true},
        {ReadFault::Fails, ERROR_OPERATION_ABORTED, false},  // one line error, on a port that aborts on
                                                             // errors
        {ReadFault::Fails, ERROR_DEVICE_NOT_CONNECTED, true}, {ReadFault::Fails, ERROR_DEVICE_REMOVED, true},
        {ReadFault::Fails, ERROR_SEM_TIMEOUT, false},  // a code no list holds, the status call answers
        {ReadFault::FailsWhileGone, ERROR_SEM_TIMEOUT, true},
    };
    for (const auto& read : reads) {
        SCOPED_TRACE(read.error);
        log.Clear();
        FaultyReadFile failing(GetModuleHandleA(NULL), {read.how, 1, FOR_EVER, read.error, 0, 0});
        ASSERT_TRUE(failing.IsInstalled());
        uint8_t byte = 0x5A;
        EXPECT_EQ(0u, serial.ReadByte(&byte));
        EXPECT_EQ(1, failing.Calls());
        EXPECT_EQ(1, failing.StatusCalls()) << "the one status call the failed read needs";
        EXPECT_TRUE(serial.ReadFailed());
        EXPECT_EQ(read.gone, serial.DeviceGone());
        EXPECT_EQ(
            std::vector<std::string>{"KVSerial: Read Failed (error " + std::to_string(read.error) +
                                     "): " + (read.gone ? "the device is gone" : "line errors cleared")},
            log.Lines());
    }
    uint8_t byte = 0;
    EXPECT_EQ(1u, serial.ReadByte(&byte)) << "the adapter is back";
    EXPECT_EQ(0x41, byte);
    EXPECT_FALSE(serial.ReadFailed());
}
