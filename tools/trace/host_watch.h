// What ardun-trace --watch makes of one host's calls: fed the records its
// plug-in publishes and the clock, it returns the lines of the log (the host's
// Open, Close, time-outs and purges, a line of counts each second, and each
// finding when it becomes true and when it ends) and the status area's
// texts. The findings: frames not the size asked for, packets late because
// the port's input queue grows, bytes but no frame starts, no byte for 5 s
// while the host asks, and the port lost and back. Pure logic, no windows.h;
// times are the records' microseconds, on the one performance counter.
#pragma once

#include <stdint.h>

#include <deque>
#include <string>
#include <vector>

#include "plugin/host_activity_layout.h"
#include "tools/trace/frame_length_meter.h"

// What the host has set up, as far as the watch has seen it.
struct HostWatchStatus {
    std::string program;
    uint32_t processId;
    std::string pluginVersion;
    bool portOpen;
    std::string portName;  // "COM5"; empty while the watch saw no Open
    uint32_t baudRate;     // 0 while the watch saw no Open
    uint32_t asked;        // the N of the latest request; 0 before one
    bool timeoutsSeen;     // since the latest Open the watch saw
    uint32_t timeouts[HOST_ACTIVITY_TIMEOUT_COUNT];  // in COMMTIMEOUTS order
};

class HostWatch {
public:
    // The watch of the host the header names, begun at startMicroseconds.
    HostWatch(const HostActivityHeader& header, uint64_t startMicroseconds);

    // "ardun-host.exe (process 1234), plug-in 1.0.0, port open"
    std::string HostLine() const;
    // The host's program, port, baud rate, N and time-outs now.
    HostWatchStatus Status() const;

    // One of the host's calls, oldest first.
    void Add(const HostActivityRecord& record, std::vector<std::string>* lines);
    // Records the area lost: overwritten before they were read, or torn.
    void Lost(uint32_t missed, uint32_t torn, std::vector<std::string>* lines);
    // Called often: each whole second the second's counts, and the findings
    // that time decides.
    void Tick(uint64_t nowMicroseconds, std::vector<std::string>* lines);

    // The status area's Finding field: the findings that hold, latest last.
    std::string FindingText() const;
    // The status area's LatePackets field: how far behind the device the
    // host's packets are, once the device's rate is known.
    const std::string& LateText() const { return lateText; }

private:
    enum Finding { WRONG_SIZE, LATE, NO_FRAMES, SILENCE, PORT_LOST, FINDING_COUNT };
    // One request, for the rates of the last few seconds.
    struct RequestSample {
        uint64_t time;
        uint32_t bytes;        // all the bytes it read
        uint32_t inputQueue;   // queued when it began
        uint32_t frameStarts;  // among its kept bytes
        uint32_t keptBytes;    // its bytes the meter saw, when it saw them all; else 0
    };

    void AddRequest(const HostActivityRecord& record, std::vector<std::string>* lines);
    void AddEvent(const HostActivityRecord& record, std::vector<std::string>* lines);
    void CheckLate(uint64_t now, std::vector<std::string>* lines);
    void CheckSilence(uint64_t now, std::vector<std::string>* lines);
    // Says a finding when it becomes true (non-empty text) and when it ends.
    void SetFinding(Finding finding, const std::string& text, uint64_t time, std::vector<std::string>* lines);
    std::string Stamp(uint64_t time) const;
    std::string NoFramesText() const;

    uint32_t processId;
    std::string program;
    std::string pluginVersion;
    bool portOpenAtStart;
    uint64_t start;
    uint64_t nextSecond;

    // What the host did last.
    bool openSeen = false;
    std::string portName;  // "COM5"
    uint32_t baudRate = 0;
    uint32_t asked = 0;  // the N of the latest request
    bool portOpen = portOpenAtStart;  // declared after it, so set after it
    bool timeoutsSeen = false;
    uint32_t hostTimeouts[HOST_ACTIVITY_TIMEOUT_COUNT] = {};
    bool anySequence = false;   // a record has been added
    uint32_t nextSequence = 0;  // the sequence of the record that follows it

    FrameLengthMeter meter;
    std::deque<RequestSample> recent;  // the last seconds' requests
    uint32_t bytesSinceFrameStart = 0;
    uint64_t lastByteTime = 0;     // a byte read, or the watch's start
    uint64_t lastRequestTime = 0;  // 0: none yet

    // This second's counts.
    uint32_t requests = 0, packetsOk = 0, timeouts = 0, misreads = 0;

    std::string findings[FINDING_COUNT];
    uint64_t findingSince[FINDING_COUNT] = {};
    std::string lateText;
};
