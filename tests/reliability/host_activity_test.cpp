// The plug-in's host activity area, read as ardun-trace --watch reads it:
// mapped by name from another module (here the test program, whose process
// is the host's), while the host drives the component by slot; and two
// copies of the plug-in in one host, each with its own area, named both by
// the watch.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/kernel_handle.h"
#include "common/mapped_view.h"
#include "common/path_beside.h"
#include "common/performance_clock.h"
#include "common/version.h"
#include "firmware/frame_bytes.h"
#include "plugin/host_activity_area.h"
#include "plugin/host_activity_ring.h"
#include "plugin/watcher_presence.h"
#include "testkit/build_folder.h"
#include "testkit/device_port.h"
#include "testkit/plugin_fixture.h"
#include "testkit/settings_file.h"
#include "testkit/watch_process.h"

namespace {

// The area as a watcher maps it, for the guard's life.
class WatchedArea {
public:
    explicit WatchedArea(uint32_t copy = 1)
    {
        char name[HOST_ACTIVITY_NAME_CAPACITY];
        if (FormatHostActivityAreaName(name, sizeof name, GetCurrentProcessId(), copy))
            mapping.Reset(OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name));
        if (mapping.IsOpen())
            view.Reset(MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, HOST_ACTIVITY_AREA_SIZE));
    }
    const void* View() const { return view.Get(); }
    // The watcher's word, as the watch writes it: fresh for two seconds.
    void SayWatching()
    {
        static_cast<HostActivityHeader*>(view.Get())->watcherMilliseconds = WatcherStamp(
            PerformanceClock().Microseconds());
    }

private:
    KernelHandle mapping;
    MappedView view;
};

// What one record is expected to say.
struct ExpectedRecord {
    uint32_t kind;
    uint32_t result;
    uint32_t requested;
    uint32_t stored;
    std::vector<uint8_t> queued;  // Write, Read: the bytes waiting when it began
    std::vector<uint8_t> read;    // and those it read
};

// The bytes a request reads of a frame: up to the one after the payload.
std::vector<uint8_t> ReadOf(const std::vector<uint8_t>& frame)
{
    return std::vector<uint8_t>(frame.begin(), frame.end() - 1);
}

class HostActivity : public PluginFixture {};

TEST_F(HostActivity, EachHostCallIsOneRecordWithWhatItAskedAndWhatCameOfIt)
{
    WatchedArea area;
    ASSERT_NE(nullptr, area.View()) << "the plug-in made the area when the host created it";
    HostActivityReader reader(area.View(), HOST_ACTIVITY_AREA_SIZE);
    ASSERT_EQ(HostActivityAreaCheck::Valid, reader.Check());
    HostActivityHeader header;
    ASSERT_TRUE(reader.ReadHeader(&header));
    EXPECT_EQ(GetCurrentProcessId(), header.hostProcessId);
    EXPECT_STREQ(ARDUN_VERSION_TEXT, header.pluginVersion);
    char program[MAX_PATH];
    const DWORD length = GetModuleFileNameA(NULL, program, sizeof program);
    ASSERT_TRUE(length > 0 && length < sizeof program);
    EXPECT_NE(nullptr, strstr(program, header.hostProgram));
    EXPECT_EQ(nullptr, strpbrk(header.hostProgram, "\\/")) << "the base name only";
    EXPECT_EQ(0u, header.portOpen);

    // Payloads without a marker byte, so that the frame is the lead, the
    // start and the payload as it is.
    const std::vector<uint8_t> first = Counting(8, 0x21), second = Counting(12, 0x41);
    const std::vector<uint8_t> firstFrame = ArdunFrameBytes(first), secondFrame = ArdunFrameBytes(second);
    ASSERT_EQ(OK, session.Open(OPEN_KIND_SERIAL, 57600));
    ASSERT_EQ(OK, session.SetTimeouts(30, 2, 250));
    ASSERT_TRUE(reader.ReadHeader(&header));
    EXPECT_EQ(1u, header.portOpen);
    // Nobody watches yet: the request is served and not published.
    ASSERT_TRUE(DevicePort().SendQueued(firstFrame));
    ASSERT_EQ(OK, session.RequestPacket((uint8_t)first.size()));
    area.SayWatching();
    ASSERT_EQ(OK, session.PurgeInput());
    ASSERT_TRUE(DevicePort().SendQueued(firstFrame));
    ASSERT_EQ(OK, session.RequestPacket((uint8_t)first.size()));
    ASSERT_EQ(OK, session.PurgeInput());  // the rest of the first frame
    ASSERT_TRUE(DevicePort().SendQueued(secondFrame));
    std::vector<uint8_t> got(second.size());
    uint32_t handled = 0;
    ASSERT_EQ(OK, session.ReadPayload(got.data(), (uint32_t)got.size(), &handled));
    ASSERT_EQ(OK, session.Close());
    ASSERT_TRUE(reader.ReadHeader(&header));
    EXPECT_EQ(0u, header.portOpen);
    // An open the port refuses.
    ConfigurePort(TestPortPath(UNOPENABLE));
    ASSERT_NE(nullptr, session.CreatePluginAgain());
    ASSERT_EQ(FAIL, session.Open(OPEN_KIND_SERIAL, 9600));

    const ExpectedRecord expected[] = {
        {HOST_ACTIVITY_OPEN, OK, 0, 0, {}, {}},
        {HOST_ACTIVITY_SET_TIMEOUTS, OK, 0, 0, {}, {}},
        {HOST_ACTIVITY_PURGE_INPUT, OK, 0, 0, {}, {}},
        {HOST_ACTIVITY_WRITE, OK, (uint32_t)first.size(), (uint32_t)first.size(), firstFrame,
         ReadOf(firstFrame)},
        {HOST_ACTIVITY_PURGE_INPUT, OK, 0, 0, {}, {}},
        {HOST_ACTIVITY_READ, OK, (uint32_t)second.size(), (uint32_t)second.size(), secondFrame,
         ReadOf(secondFrame)},
        {HOST_ACTIVITY_CLOSE, OK, 0, 0, {}, {}},
        {HOST_ACTIVITY_OPEN, FAIL, 0, 0, {}, {}},
    };
    const size_t count = sizeof expected / sizeof expected[0];
    std::vector<HostActivityRecord> records(count + 1);
    const HostActivityBatch batch = reader.Read(records.data(), records.size());
    EXPECT_EQ(0u, batch.torn);
    EXPECT_EQ(0u, batch.missed);
    ASSERT_EQ(count, batch.whole);
    uint64_t earlier = 0;
    for (size_t i = 0; i < count; ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        const HostActivityRecord& record = records[i];
        const ExpectedRecord& want = expected[i];
        EXPECT_EQ(want.kind, record.kind);
        EXPECT_EQ(want.result, (uint32_t)record.result);
        EXPECT_EQ(want.requested, record.requested);
        EXPECT_EQ(want.stored, record.stored);
        EXPECT_GE(record.timeMicroseconds, earlier) << "in the order of the calls, on one clock";
        earlier = record.timeMicroseconds;
        if (want.kind == HOST_ACTIVITY_WRITE || want.kind == HOST_ACTIVITY_READ) {
            EXPECT_EQ(want.read.size(), record.byteCount);
            EXPECT_EQ(want.read,
                      std::vector<uint8_t>(record.bytes, record.bytes + HostActivityKeptBytes(record)));
            EXPECT_EQ(want.queued.size(), record.inputQueue);
            EXPECT_EQ(1u, record.skipped) << "the lead byte";
        }
    }
    EXPECT_EQ(57600u, records[0].baudRate);
    EXPECT_STREQ(TestPortPath(HOST_SIDE).c_str(), records[0].portPath);
    const uint32_t timeouts[HOST_ACTIVITY_TIMEOUT_COUNT] = {30, 2, 250, 0, 250};
    EXPECT_EQ(0, memcmp(timeouts, records[1].timeouts, sizeof timeouts));
    EXPECT_EQ(9600u, records[count - 1].baudRate);
    EXPECT_STREQ(TestPortPath(UNOPENABLE).c_str(), records[count - 1].portPath);
}

// Whether a line holds both parts.
bool AnyLineHas(const std::vector<std::string>& lines, const std::string& part, const std::string& other)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(part) != std::string::npos && line.find(other) != std::string::npos;
    });
}

// A file beside the test program.
std::string BesideProgram(const char* name)
{
    char path[PATH_BESIDE_CAPACITY];
    return PathBesideModule(NULL, name, path) == 0 ? std::string(path) : std::string(name);
}

TEST_F(HostActivity, TwoCopiesOfThePlugInEachPublishAndTheWatchNamesBothWithTheirPorts)
{
    // The same DLL under another name: a second module, with its own static objects.
    const char SECOND_COPY[] = "ArdunParser-second.dll";
    ASSERT_TRUE(
        CopyFileA(BesideProgram("ArdunParser.dll").c_str(), BesideProgram(SECOND_COPY).c_str(), FALSE));
    ConfigurePort(TestPortPath(SECOND_HOST_SIDE));
    PluginSession second;
    ASSERT_TRUE(second.Load(SECOND_COPY));
    {
        WatchedArea first(1), other(2);
        ASSERT_NE(nullptr, first.View());
        ASSERT_NE(nullptr, other.View()) << "the second copy made an area of its own";
        WatchProcess watch;
        ASSERT_TRUE(watch.Start(BuiltFilePath("ardun-trace.com"), BesideProgram("host_activity-watch.txt")))
            << watch.Text();
        Sleep(300);  // a poll of the watch's, which says that it watches
        ASSERT_EQ(OK, session.Open(OPEN_KIND_SERIAL, 57600));
        ASSERT_EQ(OK, second.Open(OPEN_KIND_SERIAL, 57600));
        const std::vector<uint8_t> firstFrame = ArdunFrameBytes(Counting(8, 0x21)),
                                   secondFrame = ArdunFrameBytes(Counting(12, 0x41));
        ASSERT_TRUE(DevicePort().SendQueued(firstFrame));
        ASSERT_TRUE(DevicePort(SECOND_DEVICE_SIDE).SendQueued(secondFrame, SECOND_HOST_SIDE));
        ASSERT_EQ(OK, session.RequestPacket(8));
        ASSERT_EQ(OK, second.RequestPacket(12));
        ASSERT_EQ(OK, session.Close());
        ASSERT_EQ(OK, second.Close());

        // Each area holds its own copy's calls alone.
        const struct {
            const WatchedArea& area;
            TestPort port;
            uint32_t requested;
        } AREAS[] = {{first, HOST_SIDE, 8}, {other, SECOND_HOST_SIDE, 12}};
        for (const auto& each : AREAS) {
            SCOPED_TRACE(TestPortPath(each.port));
            HostActivityReader reader(each.area.View(), HOST_ACTIVITY_AREA_SIZE);
            std::vector<HostActivityRecord> records(HOST_ACTIVITY_RECORD_COUNT);
            const HostActivityBatch batch = reader.Read(records.data(), records.size());
            std::vector<uint32_t> kinds;
            for (uint32_t i = 0; i < batch.whole; ++i)
                kinds.push_back(records[i].kind);
            const std::vector<uint32_t> expected = {HOST_ACTIVITY_OPEN, HOST_ACTIVITY_WRITE,
                                                    HOST_ACTIVITY_CLOSE};
            ASSERT_EQ(expected, kinds);
            EXPECT_STREQ(TestPortPath(each.port).c_str(), records[0].portPath);
            EXPECT_EQ(each.requested, records[1].requested);
            EXPECT_EQ(each.requested, records[1].stored);
        }

        // The watch names both copies, each with its port.
        const std::string port1 = "COM" + std::to_string(TestPortNumber(HOST_SIDE)),
                          port2 = "COM" + std::to_string(TestPortNumber(SECOND_HOST_SIDE));
        const std::string copy1 = "(copy 1, " + port1 + "): ", copy2 = "(copy 2, " + port2 + "): ";
        std::vector<std::string> lines;
        for (int waited = 0; waited < 50; ++waited) {
            lines = watch.Lines();
            if (AnyLineHas(lines, copy1, "Close: ") && AnyLineHas(lines, copy2, "Close: "))
                break;
            Sleep(100);
        }
        watch.Stop();
        const std::string text = watch.Text();
        EXPECT_NE(std::string::npos, text.find(", copy 2 of the plug-in in it")) << text;
        EXPECT_TRUE(AnyLineHas(lines, copy1, "Close: ")) << text;
        EXPECT_TRUE(AnyLineHas(lines, copy2, "Close: ")) << text;
    }
    second.Unload();
    (void)DeleteFileA(BesideProgram(SECOND_COPY).c_str());                // a stale copy only costs space
    (void)DeleteFileA(BesideProgram("host_activity-watch.txt").c_str());  // the same
}

}  // namespace
