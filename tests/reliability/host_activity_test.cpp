// The plug-in's host activity area, read as ardun-trace --watch reads it:
// mapped read-only by name from another module (here the test program, whose
// process is the host's), while the host drives the component by slot.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/version.h"
#include "firmware/frame_bytes.h"
#include "plugin/host_activity_area.h"
#include "plugin/host_activity_ring.h"
#include "testkit/device_port.h"
#include "testkit/settings_file.h"
#include "tests/reliability/plugin_fixture.h"

namespace {

// The area as a watcher maps it, for the guard's life.
class WatchedArea {
public:
    WatchedArea()
    {
        char name[HOST_ACTIVITY_NAME_CAPACITY];
        if (FormatHostActivityAreaName(name, sizeof name, GetCurrentProcessId()))
            mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
        if (mapping != NULL)
            view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, HOST_ACTIVITY_AREA_SIZE);
    }
    ~WatchedArea()
    {
        if (view != NULL)
            (void)UnmapViewOfFile(view);  // a test's clean-up: nothing to do on failure
        if (mapping != NULL)
            (void)CloseHandle(mapping);
    }
    const void* View() const { return view; }

private:
    HANDLE mapping = NULL;
    const void* view = NULL;
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

}  // namespace
