// The watch's findings over a host and a device played in two phases: the
// first makes a finding true, the second ends it. The device sends with the
// ArdunFrame library; the host takes one device frame per request from a
// queue that grows when the device sends faster than the host asks.
#include "tools/trace/watch/host_watch.h"

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <cmath>
#include <regex>

#include "firmware/frame_bytes.h"
#include "testkit/host_line_model.h"

namespace {

enum class Device { Frames, Noise, Silent };

struct Phase {
    double seconds;
    Device device;
    uint32_t payload;   // the device's frames
    double deviceRate;  // frames (or noise bursts of a frame's size) a second
    double hostRate;    // requests a second
    uint32_t asked;     // the host's N
    uint32_t event;     // a record before the phase's requests; 0: none
};

struct Case {
    const char* name;
    Phase appears, ends;
    const char* finding;  // a regular expression the finding matches
    const char* status;   // one the status area holds at the first phase's end; null: the finding's
};

const uint64_t T0 = 1000000000;
const int32_t TIMEOUT = (int32_t)0x800705B4u;

HostActivityHeader Header()
{
    HostActivityHeader header = {};
    header.hostProcessId = 4321;
    strcpy(header.hostProgram, "host.exe");
    strcpy(header.pluginVersion, "1.0.0");
    return header;
}

HostActivityRecord Record(uint32_t kind, double t)
{
    static uint32_t sequence = 0;  // the ring numbers every record
    HostActivityRecord record = {};
    record.sequenceBegin = record.sequenceEnd = ++sequence;
    record.kind = kind;
    record.timeMicroseconds = T0 + (uint64_t)(t * 1e6);
    return record;
}

class PlayedHost {
public:
    PlayedHost() : watch(Header(), T0)
    {
        HostActivityRecord open = Record(HOST_ACTIVITY_OPEN, 0);
        strcpy(open.portPath, "\\\\.\\COM5");
        open.baudRate = 9600;
        watch.Add(open, &lines);
    }

    void Play(const Phase& phase)
    {
        if (phase.event != 0) {
            watch.Add(Record(phase.event, now), &lines);
            if (phase.event == HOST_ACTIVITY_PURGE_INPUT)
                queue.clear();
        }
        const double end = now + phase.seconds;
        for (; now < end; now += 1 / phase.hostRate) {
            for (due += phase.deviceRate / phase.hostRate; due >= 1; due -= 1)
                if (phase.device != Device::Silent)
                    queue.push_back(Unit(phase));
            HostActivityRecord request = Record(HOST_ACTIVITY_READ, now);
            request.requested = phase.asked;
            request.inputQueue = 0;
            for (const std::vector<uint8_t>& queued : queue)
                request.inputQueue += (uint32_t)queued.size();
            request.result = TIMEOUT;
            if (!queue.empty()) {
                const std::vector<uint8_t>& bytes = queue.front();
                request.byteCount = (uint32_t)bytes.size();
                memcpy(request.bytes, bytes.data(), std::min<size_t>(bytes.size(), HOST_ACTIVITY_KEPT_BYTES));
                request.result = phase.device == Device::Frames ? 0 : TIMEOUT;
                queue.erase(queue.begin());
            }
            watch.Add(request, &lines);
            watch.Tick(T0 + (uint64_t)(now * 1e6), &lines);
        }
    }

    std::vector<uint8_t> Unit(const Phase& phase)
    {
        std::vector<uint8_t> payload(phase.payload);
        for (size_t i = 0; i < payload.size(); ++i)
            payload[i] = (uint8_t)((taken * 7 + i) % 0xFF);  // no data FF: every frame is as long
        ++taken;
        std::vector<uint8_t> frame = ArdunFrameBytes(payload);
        if (phase.device == Device::Noise)
            std::replace(frame.begin(), frame.end(), (uint8_t)0xFF, (uint8_t)0x41);
        return frame;
    }

    HostWatch watch;
    std::vector<std::string> lines;
    double now = 0.01;
    double due = 0;  // frames the device is to send
    uint64_t taken = 0;
    std::vector<std::vector<uint8_t>> queue;
};

bool Said(const std::vector<std::string>& lines, const std::string& prefix, const std::regex& finding)
{
    for (const std::string& line : lines) {
        const size_t at = line.find(prefix);
        if (at != std::string::npos && std::regex_match(line.substr(at + prefix.size()), finding))
            return true;
    }
    return false;
}

TEST(HostWatch, SaysEachFindingWhenItAppearsAndWhenItEnds)
{
    const Phase steady = {3, Device::Frames, 12, 20, 20, 12, 0};
    const Case cases[] = {
        {"wrong size",
         {4, Device::Frames, 12, 20, 20, 16, 0},
         steady,
         "the device's frames hold 12 payload bytes; the host asks for 16",
         nullptr},
        {"late",
         {4, Device::Frames, 12, 100, 20, 12, 0},
         {4, Device::Frames, 12, 20, 20, 12, HOST_ACTIVITY_PURGE_INPUT},
         // Said as the queue passes half a second, while the rates still hold the phase before.
         "packets are [0-9]+\\.[0-9] s behind the device: it sends [0-9]+ frames a second, the host takes "
         "[0-9]+",
         "packets are [0-9]+\\.[0-9] s behind the device: it sends 100 frames a second, the host takes 20$"},
        {"no frames",
         {4, Device::Noise, 12, 20, 20, 12, 0},
         steady,
         "bytes but no Ardun frames at 9600 baud, the rate the host opened COM5 with: ardun-trace --find "
         "tells "
         "the device's",
         nullptr},
        {"silence",
         {7, Device::Silent, 12, 20, 5, 12, 0},
         steady,
         "nothing arrives: the device is off, or on another port",
         nullptr},
        {"lost and back",
         {2, Device::Silent, 12, 20, 5, 12, HOST_ACTIVITY_PORT_LOST},
         {1, Device::Frames, 12, 20, 20, 12, HOST_ACTIVITY_PORT_BACK},
         "COM5 lost: the device is gone; each request tries to open it again",
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::regex finding(c.finding);
        PlayedHost host;
        host.Play(steady);
        EXPECT_EQ("", host.watch.FindingText());
        host.Play(c.appears);
        EXPECT_TRUE(Said(host.lines, "finding: ", finding));
        EXPECT_TRUE(std::regex_search(host.watch.FindingText(), c.status ? std::regex(c.status) : finding))
            << host.watch.FindingText();
        host.Play(c.ends);
        EXPECT_TRUE(Said(host.lines, "no longer: ", finding));
        EXPECT_EQ("", host.watch.FindingText());
    }
}

TEST(HostWatch, SaysNothingArrivesOnlyAfterFiveSecondsWithoutAByte)
{
    PlayedHost host;
    host.Play({3, Device::Frames, 12, 20, 20, 12, 0});
    host.Play({4.8, Device::Silent, 12, 20, 5, 12, 0});
    EXPECT_EQ("", host.watch.FindingText());
    host.Play({0.4, Device::Silent, 12, 20, 5, 12, 0});
    EXPECT_EQ("nothing arrives: the device is off, or on another port", host.watch.FindingText());
}

TEST(HostWatch, FindsNothingWrongWithFramesLongerThanARecordKeeps)
{
    PlayedHost host;
    host.Play({3, Device::Frames, 12, 20, 20, 12, 0});
    host.Play({4, Device::Frames, 200, 20, 20, 200, 0});  // each request's bytes cut after the first 64
    EXPECT_EQ("", host.watch.FindingText());
}

TEST(HostWatch, PacketsAreNoLongerLateOnceTheQueueIsDrained)
{
    PlayedHost host;
    host.Play({4, Device::Frames, 12, 100, 20, 12, 0});
    ASSERT_TRUE(Said(host.lines, "finding: ", std::regex("packets are .*")));
    host.Play({6, Device::Silent, 12, 0, 100, 12, 0});  // the queue's 320 frames taken, none sent
    EXPECT_TRUE(Said(host.lines, "no longer: ", std::regex("packets are .*")));
}

TEST(HostWatch, CountsEachSecondAndNamesTheHostsSteps)
{
    PlayedHost host;
    host.Play({2, Device::Frames, 12, 20, 20, 16, 0});
    uint32_t timeouts[HOST_ACTIVITY_TIMEOUT_COUNT] = {40, 0, 300, 0, 300};
    HostActivityRecord set = Record(HOST_ACTIVITY_SET_TIMEOUTS, host.now);
    memcpy(set.timeouts, timeouts, sizeof timeouts);
    host.watch.Add(set, &host.lines);
    host.watch.Add(Record(HOST_ACTIVITY_CLOSE, host.now), &host.lines);
    const std::regex expected[] = {
        std::regex(" +0\\.000 s  Open COM5 at 9600 baud: ok"),
        std::regex(" +[0-9.]+ s  requests 21, packets ok 21, time-outs 0, misreads 2[01], N 16"),
        std::regex(
            " +[0-9.]+ s  SetTimeouts: read interval 40 ms, read total 0 ms a byte \\+ 300 ms, write total "
            "0 ms a byte \\+ 300 ms: ok"),
        std::regex(" +[0-9.]+ s  Close: ok"),
    };
    for (const std::regex& line : expected)
        EXPECT_TRUE(std::any_of(host.lines.begin(), host.lines.end(), [&](const std::string& said) {
            return std::regex_match(said, line);
        })) << &line - expected;
    EXPECT_EQ("host.exe (process 4321), plug-in 1.0.0, port not open", host.watch.HostLine());
}

// The watch fed a modelled line's records as the watch reads them, its clock
// ticking every 100 ms, on for a second after the last record.
struct WatchedLine {
    explicit WatchedLine(const LineModelHost& host, double seconds) : watch(Header(), T0)
    {
        uint64_t now = T0;
        for (const HostActivityRecord& record : PlayLine(host, seconds, T0)) {
            for (; now <= record.timeMicroseconds; now += 100000)
                watch.Tick(now, &lines);
            watch.Add(record, &lines);
        }
        for (const uint64_t end = now + 1000000; now <= end; now += 100000)
            watch.Tick(now, &lines);
        this->now = now;
    }
    HostWatch watch;
    std::vector<std::string> lines;
    uint64_t now;
};

// The time of a line "   1.234 s  ...", in ms.
long Stamp(const std::string& line)
{
    return std::lround(std::stod(line) * 1000);
}

enum class Ending { Watching, HostCloses, HostEnds };

TEST(HostWatch, NamesWhatTheLineTellsWithItsFigures)
{
    // Frames of 12 payload bytes are 17 on the line (lead, frame start, end,
    // spare); in step, a request reads a frame's 17 (the first 16). A
    // buffer of 4081 bytes holds the first frame's spare and whole frames,
    // so no frame is cut when it fills and the host's reads stay in step.
    // A host of Write/Read pairs takes two frames a packet.
    const LineModelHost growing = {100, 12, 65536, 0.05, 12, true, false, false, false};
    const LineModelHost full = {100, 12, 4081, 0.05, 12, true, false, false, false};
    const struct {
        const char* name;
        LineModelHost host;
        double seconds;
        Ending ending;
        const char* said;  // the finding text, or the last line's after its time
    } rows[] = {
        // The queue grows by 60 frames a second; at 2.65 s the host takes
        // frame 108, sent at 1.09 s.
        {"growing", growing, 2.7, Ending::Watching,
         "packets are 1.6 s behind the device: it sends 100 frames a second, the host takes 20"},
        // A pty's buffer full at 4 s, for less than a second: its plateau
        // does not tell yet, and the rates are those of before. At 4.65 s
        // the host takes frame 186, sent at 1.86 s.
        {"just full over a pty",
         {100, 12, 4081, 0.05, 12, true, false, false, true},
         4.7,
         Ending::Watching,
         "packets are 2.8 s behind the device: it sends 100 frames a second, the host takes 20"},
        // Full at 4 s; 6 s later the queue's 240 frames are those taken in
        // at the host's 40 frames a second.
        {"full", full, 12, Ending::Watching,
         "packets are 6.0 s behind the device and bytes are being lost: the port's buffer is full (4081 "
         "bytes); "
         "the device sends more than the host takes (20 frames a second)"},
        // A pty makes the device wait instead: the queue stops at its
        // buffer, which tells as much.
        {"full over a pty",
         {100, 12, 4081, 0.05, 12, true, false, false, true},
         12,
         Ending::Watching,
         "packets are 6.0 s behind the device and bytes are being lost: the port's buffer is full (4081 "
         "bytes); "
         "the device sends more than the host takes (20 frames a second)"},
        // Its second Read, at 3 s, finds the second frame (sent at 0.02 s) at the queue's head.
        {"slow host",
         {100, 12, 4081, 3, 12, false, false, false, false},
         4.5,
         Ending::Watching,
         "packets are 3.0 s behind the device and bytes are being lost: the port's buffer is full (4081 "
         "bytes); "
         "the device sends more than the host takes (0.3 frames a second)"},
        {"purging host",
         {20, 12, 4081, 0.2, 16, true, true, false, false},
         2,
         Ending::Watching,
         "the device's frames hold 12 payload bytes; the host asks for 16"},
        {"not P,N",
         {20, 12, 4081, 0.04, 12, false, false, true, false},
         2,
         Ending::Watching,
         "the host's Write was not P,N: it asks for no packet"},
        {"host ends", growing, 2.7, Ending::HostEnds,
         "the host ended (findings then: packets are 1.6 s behind the device: it sends 100 frames a second, "
         "the "
         "host takes 20)"},
        {"host closes", full, 12, Ending::HostCloses,
         "the host closed COM5 (findings then: packets are 6.0 s behind the device and bytes are being lost: "
         "the "
         "port's buffer is full (4081 bytes); the device sends more than the host takes (20 frames a "
         "second))"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WatchedLine line(row.host, row.seconds);
        if (row.ending == Ending::HostEnds)
            line.watch.HostEnded(line.now, &line.lines);
        if (row.ending == Ending::HostCloses)
            line.watch.Add(Record(HOST_ACTIVITY_CLOSE, (double)(line.now - T0) / 1e6), &line.lines);
        if (row.ending == Ending::Watching) {
            EXPECT_EQ(row.said, line.watch.FindingText());
            continue;
        }
        const std::string last = line.lines.back();
        EXPECT_EQ(row.said, last.substr(last.find(" s  ") + 4));
        EXPECT_EQ("", line.watch.FindingText());
        for (const std::string& said : line.lines)
            EXPECT_EQ(std::string::npos, said.find("no longer")) << said;
    }
}

TEST(HostWatch, SaysAFindingAgainEveryTenSecondsWhileItsFigureHolds)
{
    WatchedLine line({100, 12, 4081, 0.05, 12, true, false, false, false}, 40);
    std::vector<long> said;
    for (const std::string& text : line.lines)
        if (text.find("finding: packets are 6.0 s") != std::string::npos && Stamp(text) >= 15000)
            said.push_back(Stamp(text));
    ASSERT_GE(said.size(), 2u);
    for (size_t i = 1; i < said.size(); ++i)
        EXPECT_EQ(10000, said[i] - said[i - 1]);
}

}  // namespace
