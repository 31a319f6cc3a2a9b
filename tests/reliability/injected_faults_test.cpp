// Faults that Wine cannot make but real Windows does, injected at the
// plug-in's own imports: the built DLL is driven through its slots as the host
// drives it, while single entries of its import table point at kernel32
// functions that fail as a real system fails (testkit/kernel32_faults.h).
// Each row names the event in the field that it stands for.
//
// What still only real Windows and real hardware show: the real drivers'
// timing (how soon a pulled adapter's read fails, how long a slow driver
// really blocks) and a real board's reset when the open raises DTR.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "testkit/device_port.h"
#include "testkit/dialog_user.h"
#include "testkit/kernel32_faults.h"
#include "testkit/open_handles.h"
#include "testkit/plugin_fixture.h"
#include "testkit/settings_file.h"

namespace {

const uint8_t WANTED = 8;
const std::string DEFAULT_PORT = "\\\\.\\COM1";
// Room for a slow, shared machine on top of every time bound.
const double SLACK_SECONDS = 1.0;

std::vector<uint8_t> Prefix(const std::vector<uint8_t>& bytes, size_t length)
{
    return std::vector<uint8_t>(bytes.begin(), bytes.begin() + length);
}

// The files beside the program, other than the DLL, that a save may leave.
std::vector<std::string> SettingsFilesLeft()
{
    std::string folder = SettingsFilePath();
    folder.resize(folder.find_last_of("\\/") + 1);
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "ArdunParser.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (_stricmp(found.cFileName, "ArdunParser.dll") != 0)
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

class InjectedFaults : public PluginFixture {
protected:
    // Open with short read time-outs, so that the silences of many rows stay quick.
    void OpenQuick()
    {
        ASSERT_EQ(OK, session.Open());
        ASSERT_EQ(OK, session.SetTimeouts(10, 0, 50));
    }
    // The device sends bytes that then wait at the host's end.
    static void Send(const std::vector<uint8_t>& bytes) { ASSERT_TRUE(DevicePort().SendQueued(bytes)); }
    // A host Read of `length` bytes: its result, and the bytes it handed out.
    uint32_t ReadPacket(uint32_t length, std::vector<uint8_t>* got)
    {
        got->assign(length, MARK);
        uint32_t handled = 0;
        const uint32_t result = session.ReadPayload(got->data(), length, &handled);
        got->resize(handled);
        return result;
    }
    // The host's Write and Read of one whole packet.
    void ExpectPacket(const std::vector<uint8_t>& payload)
    {
        Send(ArdunFrameBytes(payload));
        EXPECT_EQ(OK, session.RequestPacket((uint8_t)payload.size()));
        std::vector<uint8_t> got;
        EXPECT_EQ(OK, ReadPacket((uint32_t)payload.size(), &got));
        EXPECT_EQ(payload, got);
    }
    std::string ErrorOfOpen(int32_t* flag)
    {
        EXPECT_EQ(FAIL, session.Open());
        return session.LastErrorText(flag);
    }
    DialogSeen ShowDialog(DialogClosing closing, int32_t choose = NO_CHOICE)
    {
        MVConfigRequest request = {0, NULL};
        DialogUser user(closing, choose);
        EXPECT_EQ(0u, session.Call(session.Plugin(), slot::PLUGIN_SHOW_CONFIG, Arg(&request)));
        return user.Finish();
    }
};

TEST_F(InjectedFaults, AnAdapterPulledOutEndsTheRequestAtOnceAndTheHostRecovers)
{
    // The errors with which Windows fails a read once the device is gone;
    // or, from drivers that report it as silence, fails the status call
    // after an empty read; or any error at all, when the status call after
    // the failed read fails too.
    const struct {
        ReadFault how;
        DWORD error;
        const char* event;
    } unplugs[] = {
        {ReadFault::Fails, ERROR_ACCESS_DENIED, "USB adapter pulled out, its driver denies the handle"},
        {ReadFault::Fails, ERROR_BAD_COMMAND,
         "USB adapter pulled out, the device no longer knows the command"},
        {ReadFault::Fails, ERROR_GEN_FAILURE,
         "adapter failing, a device attached to the system is not functioning"},
        {ReadFault::Fails, ERROR_OPERATION_ABORTED, "the driver aborts the pending read as the adapter goes"},
        {ReadFault::Fails, ERROR_DEVICE_NOT_CONNECTED, "USB adapter pulled out, the device is not connected"},
        {ReadFault::GoneSilent, ERROR_NOT_READY,
         "USB adapter pulled out, reads are empty, the device is not ready"},
        {ReadFault::GoneSilent, ERROR_BAD_COMMAND,
         "USB adapter pulled out, reads are empty, the status is refused"},
        {ReadFault::GoneSilent, ERROR_ACCESS_DENIED,
         "USB adapter pulled out, reads are empty, the handle denied"},
        {ReadFault::GoneSilent, ERROR_DEVICE_NOT_CONNECTED,
         "USB adapter pulled out, reads are empty, not connected"},
        {ReadFault::FailsWhileGone, ERROR_DEVICE_REMOVED, "USB adapter pulled out, the device was removed"},
        {ReadFault::FailsWhileGone, ERROR_INVALID_HANDLE,
         "USB adapter pulled out, the handle is no longer valid"},
        {ReadFault::FailsWhileGone, ERROR_SEM_TIMEOUT,
         "USB adapter pulled out, its driver fails with its own code"},
    };
    // When: the first read that fails, counted from 1 on the line "lead byte,
    // FF 00, payload"; and the payload bytes stored before it.
    const struct {
        int failingRead;
        uint32_t stored;
        const char* when;
    } moments[] = {{2, 0, "mid-gap"}, {8, 4, "mid-frame"}};
    const std::vector<uint8_t> before = Counting(WANTED, 0x21), cut = Counting(WANTED, 0x41),
                               next = Counting(WANTED, 0x61);
    for (const auto& unplug : unplugs)
        for (const auto& moment : moments)
            for (const int failures : {FOR_EVER, 2}) {
                SCOPED_TRACE(std::string(unplug.event) + ", " + moment.when +
                             (failures == FOR_EVER ? ", until plugged in again" : ", back after two reads"));
                // The host's packet before, of the size it asks for again.
                OpenQuick();
                ExpectPacket(before);
                ASSERT_EQ(OK, session.Close());
                const HandleSet closed = OpenHandles();

                OpenQuick();
                Send(ArdunFrameBytes(cut));
                std::optional<FaultyReadFile> pulled;
                pulled.emplace(session.Module(),
                               ReadFilePlan{unplug.how, moment.failingRead, failures, unplug.error, 0, 0});
                ASSERT_TRUE(pulled->IsInstalled());
                const auto start = std::chrono::steady_clock::now();
                // Never success without bytes, though a packet of that size is held.
                EXPECT_EQ(TIMEOUT, session.RequestPacket(WANTED));
                EXPECT_LT(SecondsSince(start), SLACK_SECONDS) << "not after the time limit";
                EXPECT_EQ(moment.failingRead, pulled->Calls()) << "no read after the failure";
                std::vector<uint8_t> got;
                EXPECT_EQ(TIMEOUT, ReadPacket(WANTED, &got)) << "never the old payload as new";
                EXPECT_EQ(moment.stored ? Prefix(cut, moment.stored) : before, got);
                EXPECT_EQ(moment.failingRead + 1, pulled->Calls()) << "one failed read per request";
                // Nobody watches the plug-in's host activity area: no request
                // asks the input queue for it.
                EXPECT_EQ(2, pulled->StatusCalls())
                    << "one status call a failed or empty read, none after a byte, none a request";
                EXPECT_FALSE(PortIsOpen()) << "the dead handle closed, to be opened again";

                if (failures == FOR_EVER) {
                    EXPECT_EQ(OK, session.Close());
                    pulled.reset();  // plugged in again
                    OpenQuick();
                }
                EXPECT_EQ(OK, session.PurgeInput());  // the rest of the cut frame
                ExpectPacket(next);
                EXPECT_EQ(OK, session.Close());
                EXPECT_EQ(closed, OpenHandles()) << DescribeHandleChange(closed, OpenHandles());
            }
}

TEST_F(InjectedFaults, AReadErrorOnAPortWhoseStatusAnswersKeepsThePortAndItsBytes)
{
    // An error no list holds, while the status call succeeds: a line error on
    // a driver of its own, not a device that is gone.
    const std::vector<uint8_t> before = Counting(WANTED, 0x21), queued = Counting(WANTED, 0x41);
    OpenQuick();
    ExpectPacket(before);
    Send(ArdunFrameBytes(queued));
    {
        FaultyReadFile failing(session.Module(), {ReadFault::Fails, 1, 1, ERROR_SEM_TIMEOUT, 0, 0});
        ASSERT_TRUE(failing.IsInstalled());
        EXPECT_EQ(TIMEOUT, session.RequestPacket(WANTED)) << "the failed read brought nothing";
        EXPECT_EQ(1, failing.Calls());
        EXPECT_TRUE(PortIsOpen());
    }
    EXPECT_EQ(OK, session.RequestPacket(WANTED)) << "the queued frame, on the same handle";
    std::vector<uint8_t> got;
    EXPECT_EQ(OK, ReadPacket(WANTED, &got));
    EXPECT_EQ(queued, got);
    EXPECT_EQ(OK, session.Close());
}

TEST_F(InjectedFaults, AnAdapterPluggedBackDeliversAgainWithoutTheHostsCloseAndOpen)
{
    const std::vector<uint8_t> payload = Counting(WANTED, 0x31);
    ASSERT_EQ(OK, session.Open());
    ASSERT_EQ(OK, session.Close());
    const HandleSet closed = OpenHandles();
    OpenQuick();
    for (int cycle = 1; cycle <= 100; ++cycle) {
        SCOPED_TRACE("unplug and replug " + std::to_string(cycle));
        ExpectPacket(payload);
        // Read from the port itself: after a replug, the port the request
        // opened again has the host's time-outs, not the plug-in's own.
        MVTimeouts timeouts = {};
        EXPECT_EQ(OK, Call(slot::GET_TIMEOUTS, &timeouts));
        EXPECT_EQ(
            (std::vector<uint32_t>{10, 0, 50, 0, 50}),
            (std::vector<uint32_t>{timeouts.readIntervalTimeout, timeouts.readTotalTimeoutMultiplier,
                                   timeouts.readTotalTimeoutConstant, timeouts.writeTotalTimeoutMultiplier,
                                   timeouts.writeTotalTimeoutConstant}));
        {
            // Unplugged: the open handle's reads fail, and the port's path is gone.
            FaultyReadFile pulled(session.Module(),
                                  {ReadFault::Fails, 1, FOR_EVER, ERROR_DEVICE_NOT_CONNECTED, 0, 0});
            FaultyCreateFile gone(session.Module(), TestPortPath(HOST_SIDE).c_str(), ERROR_FILE_NOT_FOUND);
            ASSERT_TRUE(pulled.IsInstalled() && gone.IsInstalled());
            // The request that finds the device gone, then two while it is away.
            for (int request = 0; request < 3; ++request) {
                const auto start = std::chrono::steady_clock::now();
                std::vector<uint8_t> got;
                EXPECT_EQ(TIMEOUT, ReadPacket(WANTED, &got));
                EXPECT_EQ(payload, got) << "the packet held, never lost";
                EXPECT_LT(SecondsSince(start), SLACK_SECONDS) << "no wait on a dead handle";
            }
            EXPECT_EQ(1, pulled.Calls()) << "no read while the port is lost";
            EXPECT_FALSE(PortIsOpen());
        }
        // Plugged in again: the next request opens the port itself.
    }
    ExpectPacket(payload);
    EXPECT_EQ(OK, session.Close());
    EXPECT_EQ(closed, OpenHandles()) << DescribeHandleChange(closed, OpenHandles());
}

TEST_F(InjectedFaults, ALineStateThatWouldCostBytesIsClearedAndTheStopBitsKept)
{
    // What a driver may keep from an earlier program: every flag on (XON/XOFF
    // both ways, nulls stripped, an error character, abort on error, the
    // parity check) but binary mode, and two stop bits.
    DCB kept;
    memset(&kept, 0xFF, sizeof kept);
    kept.DCBlength = sizeof kept;
    kept.fBinary = 0;
    kept.StopBits = TWOSTOPBITS;
    ReportedCommState device(session.Module(), kept);
    ASSERT_TRUE(device.IsInstalled());
    ASSERT_EQ(OK, session.Open());
    const DCB written = device.Written();
    EXPECT_EQ(1u, written.fBinary);
    EXPECT_EQ(0u, written.fOutX | written.fInX | written.fNull | written.fErrorChar | written.fAbortOnError);
    EXPECT_EQ(TWOSTOPBITS, written.StopBits);
    EXPECT_EQ(1u, written.fParity);
    EXPECT_EQ(OK, session.Close());
}

TEST_F(InjectedFaults, DriversThatReturnEarlyOrLateStillEndEachRequestInTime)
{
    const std::vector<uint8_t> frame = ArdunFrameBytes(Counting(40, 0x01)), noise(20, 0x55), silence;
    // From the read firstRead on, every read misbehaves as `fault` says.
    const struct {
        const char* event;
        ReadFault fault;
        int firstRead;
        DWORD delayMilliseconds;
        const std::vector<uint8_t>& line;
        double shortestSeconds, longestSeconds;  // the limit (if reached) plus the one read past it
        int mostReads;                           // the reads that fit in the limit, and two
        uint32_t storedAtLeast, storedAtMost;
    } cases[] = {
        {"a USB driver returns no byte before its time-out, mid-frame", ReadFault::ReturnsEmpty, 8, 0, frame,
         0.0, 0.0, 8, 4, 4},
        {"a driver slower than its time-out, on a line of noise", ReadFault::IsSlow, 1, 450, noise, 3.0,
         3.0 + 0.45, 9, 0, 0},
        {"a driver slower than its time-out, on a silent line", ReadFault::IsSlow, 1, 450, silence, 0.6,
         0.45 + 0.3, 1, 0, 0},
        {"a frame trickling through a slow driver past the limit", ReadFault::IsSlow, 1, 200, frame, 3.0,
         3.0 + 0.2, 17, 1, 39},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.event);
        Reload();  // nothing held
        ASSERT_EQ(OK, session.Open());
        Send(c.line);
        {
            FaultyReadFile driver(session.Module(),
                                  {c.fault, c.firstRead, FOR_EVER, 0, 0, c.delayMilliseconds});
            ASSERT_TRUE(driver.IsInstalled());
            const auto start = std::chrono::steady_clock::now();
            EXPECT_EQ(TIMEOUT, session.RequestPacket(40));
            const double seconds = SecondsSince(start);
            EXPECT_GE(seconds, c.shortestSeconds);
            EXPECT_LT(seconds, c.longestSeconds + SLACK_SECONDS);
            EXPECT_LE(driver.Calls(), c.mostReads) << "no spinning";
        }
        EXPECT_TRUE(PortIsOpen()) << "a quiet line, or a slow one, keeps its port";
        EXPECT_EQ(OK, session.PurgeInput());
        std::vector<uint8_t> got;
        EXPECT_EQ(TIMEOUT, ReadPacket(40, &got));
        EXPECT_GE(got.size(), c.storedAtLeast);
        EXPECT_LE(got.size(), c.storedAtMost);
        EXPECT_EQ(Prefix(Counting(40, 0x01), got.size()), got) << "the bytes stored before the end";
        EXPECT_EQ(OK, session.Close());
    }
}

TEST_F(InjectedFaults, APortAnotherProgramHoldsFailsToOpenAndIsListedOnlyWhenConfigured)
{
    const struct {
        const char* event;
        DWORD error;
        TestPort busy;
    } cases[] = {
        {"a terminal program holds the configured port", ERROR_ACCESS_DENIED, HOST_SIDE},
        {"another logger holds the configured port", ERROR_SHARING_VIOLATION, HOST_SIDE},
        {"a terminal program holds another port", ERROR_ACCESS_DENIED, SECOND_HOST_SIDE},
        {"another logger holds another port", ERROR_SHARING_VIOLATION, SECOND_HOST_SIDE},
    };
    const int configured = TestPortNumber(HOST_SIDE), other = TestPortNumber(SECOND_HOST_SIDE);
    ASSERT_EQ(OK, session.Open());  // the first open may set up the platform's own state
    ASSERT_EQ(OK, session.Close());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.event);
        const bool busyIsConfigured = c.busy == HOST_SIDE;
        FaultyCreateFile busy(session.Module(), TestPortPath(c.busy).c_str(), c.error);
        ASSERT_TRUE(busy.IsInstalled());
        const HandleSet before = OpenHandles();
        if (busyIsConfigured) {
            int32_t flag = 0;
            EXPECT_EQ("Could not open " + TestPortPath(HOST_SIDE), ErrorOfOpen(&flag));
            EXPECT_EQ(1, flag);
        } else {
            EXPECT_EQ(OK, session.Open());
            EXPECT_EQ(OK, session.Close());
        }
        EXPECT_EQ(before, OpenHandles());

        const DialogSeen seen = ShowDialog(PRESS_CANCEL);
        const int entry = IndexOfData(seen.entries, configured);
        ASSERT_GE(entry, 0);
        EXPECT_EQ(entry, seen.selected);
        if (busyIsConfigured) {
            EXPECT_EQ(0, entry) << "heads the list";
            EXPECT_EQ("{COM" + std::to_string(configured) + "}", seen.entries[entry].text);
        } else {
            EXPECT_EQ("COM" + std::to_string(configured), seen.entries[entry].text);
        }
        EXPECT_EQ(busyIsConfigured, IndexOfData(seen.entries, other) >= 0) << "a busy other port is left out";
    }
}

TEST_F(InjectedFaults, ARefusedSaveKeepsTheChoiceForTheSessionAndTheFileWholeOrAbsent)
{
    const struct {
        const char* event;
        bool createRefused;  // else WriteFile writes at most bytesWritten, then fails with error
        DWORD bytesWritten;
        DWORD error;
        bool savedOverEarlierFile;
    } cases[] = {
        // The file is written in place, so only a save that must create it fails.
        {"a settings folder that refuses new files, with a file the user may write", true, 0,
         ERROR_ACCESS_DENIED, true},
        {"a full disk, nothing written", false, 0, ERROR_DISK_FULL, false},
        {"a disk that fills up part-way through the write", false, 10, ERROR_DISK_FULL, false},
        {"a write that stops short without an error", false, 10, 0, false},
    };
    for (const auto& c : cases)
        for (const bool earlierFile : {true, false}) {
            SCOPED_TRACE(std::string(c.event) + (earlierFile ? ", over an earlier file" : ", no file yet"));
            RemoveSettingsFile();
            if (earlierFile)
                ConfigurePort(TestPortPath(UNOPENABLE));
            std::vector<uint8_t> earlier;
            ReadSettingsFile(&earlier);
            Reload();
            {
                std::optional<FaultyCreateFile> folder;
                std::optional<FaultyWriteFile> disk;
                if (c.createRefused)
                    folder.emplace(session.Module(), nullptr, c.error);
                else
                    disk.emplace(session.Module(), c.bytesWritten, c.error);
                ASSERT_TRUE(folder ? folder->IsInstalled() : disk->IsInstalled());
                EXPECT_TRUE(ShowDialog(PRESS_OK, TestPortNumber(HOST_SIDE)).chosen);
            }
            const bool saved = earlierFile && c.savedOverEarlierFile;
            std::vector<uint8_t> file;
            EXPECT_EQ(earlierFile, ReadSettingsFile(&file));
            if (!saved) {
                EXPECT_EQ(earlier, file) << "the earlier file whole, never cut";
            }
            EXPECT_EQ(earlierFile ? std::vector<std::string>{"ArdunParser.dat"} : std::vector<std::string>{},
                      SettingsFilesLeft());

            EXPECT_EQ(OK, session.Open()) << "the choice holds for the session";
            EXPECT_EQ(OK, session.Close());
            session.CreatePluginAgain();
            int32_t flag = 0;
            if (earlierFile && !saved) {
                EXPECT_EQ("Could not open " + TestPortPath(UNOPENABLE), ErrorOfOpen(&flag));
            } else {
                EXPECT_EQ(OK, session.Open()) << "the choice saved, or without a file kept";
            }
            EXPECT_EQ(OK, session.Close());
        }
}

TEST_F(InjectedFaults, ARefusedLoadLeavesTheSettingInForceNeverHalfAPath)
{
    const struct {
        const char* event;
        DWORD bytesBeforeFailure;
        DWORD error;
    } cases[] = {
        {"a bad sector under the settings file", 0, ERROR_CRC},
        {"the network share of the plug-ins drops part-way through the read", 5, ERROR_NETNAME_DELETED},
    };
    const std::string newer = "//./COM77";  // a first byte that differs from every path in force
    for (const auto& c : cases)
        for (const bool earlierFile : {true, false}) {
            SCOPED_TRACE(std::string(c.event) + (earlierFile ? ", earlier setting" : ", default"));
            RemoveSettingsFile();
            if (earlierFile)
                ConfigurePort(TestPortPath(UNOPENABLE));
            Reload();
            ConfigurePort(newer);
            {
                FaultyReadFile unreadable(session.Module(),
                                          {ReadFault::Fails, 1, FOR_EVER, c.error, c.bytesBeforeFailure, 0});
                ASSERT_TRUE(unreadable.IsInstalled());
                const HandleSet before = OpenHandles();
                session.CreatePluginAgain();
                EXPECT_EQ(1, unreadable.Calls());
                EXPECT_EQ(before, OpenHandles());
            }
            int32_t flag = 0;
            EXPECT_EQ("Could not open " + (earlierFile ? TestPortPath(UNOPENABLE) : DEFAULT_PORT),
                      ErrorOfOpen(&flag));
            session.CreatePluginAgain();
            EXPECT_EQ("Could not open " + newer, ErrorOfOpen(&flag)) << "the file itself reads";
        }
}

}  // namespace
