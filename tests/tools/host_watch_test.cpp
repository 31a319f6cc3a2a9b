// The watch's findings over a host and a device played in two phases: the
// first makes a finding true, the second ends it. The device sends with the
// ArdunFrame library; the host takes one device frame per request from a
// queue that grows when the device sends faster than the host asks.
#include "tools/trace/host_watch.h"

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <regex>

#include "firmware/frame_bytes.h"

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
        std::regex(" +[0-9.]+ s  requests 21, packets ok 21, time-outs 0, misreads 1[0-9], N 16"),
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

}  // namespace
