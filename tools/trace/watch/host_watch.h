// What ardun-trace --watch makes of one host's calls: fed the records its
// plug-in publishes and the clock, it returns the lines of the log (the host's
// Open, Close, time-outs and purges, a line of counts each second, and each
// finding when it becomes true, again when its figure changes by a quarter
// or every 10 s while it holds, and when it ends) and the status area's
// texts. The findings: frames not the size asked for, packets late because
// the port's input queue grows or is full, bytes but no frame starts, no byte
// for 5 s while the host asks, the port lost and back, and a Write that is
// not P,N. Pure logic, no windows.h; times are the records' microseconds, on
// the one performance counter.
#pragma once

#include <stdint.h>

#include <deque>
#include <string>
#include <vector>

#include "plugin/host_activity_layout.h"
#include "tools/meter/frame_length_meter.h"
#include "tools/trace/watch/queue_arrivals.h"

// What the host has set up, as far as the watch has seen it.
struct HostWatchStatus {
    std::string program;
    uint32_t processId;
    std::string pluginVersion;
    bool portOpen;
    std::string portName;                            // "COM5"; empty while the watch saw no Open
    uint32_t baudRate;                               // 0 while the watch saw no Open
    uint32_t asked;                                  // the N of the latest request; 0 before one
    bool timeoutsSeen;                               // since the latest Open the watch saw
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
    // The host's process ended: the findings that held then are said with
    // it, and none of them is taken for mended.
    void HostEnded(uint64_t nowMicroseconds, std::vector<std::string>* lines);

    // The status area's Finding field: the findings that hold, latest last.
    std::string FindingText() const;
    // The status area's LatePackets field: how far behind the device the
    // host's packets are, once the port's queue tells it.
    const std::string& LateText() const { return lateText; }

private:
    enum Finding { WRONG_SIZE, LATE, NO_FRAMES, SILENCE, PORT_LOST, NOT_P_N, FINDING_COUNT };
    // One request that asked the port's queue, for the rates of the last seconds.
    struct QueueSample {
        uint64_t time;     // when it began
        uint32_t queued;   // bytes in the port's input queue then
        uint32_t read;     // all the bytes it read
        bool packetBegun;  // a Write P,N, or a Read no such Write came before
    };

    void AddRequest(const HostActivityRecord& record, std::vector<std::string>* lines);
    void AddEvent(const HostActivityRecord& record, std::vector<std::string>* lines);
    // A packet the host asked for is over: counted, with its result, in
    // the second it ended.
    void EndPacket();
    void AddQueueSample(const HostActivityRecord& record, bool packetBegun);
    // The line's state starts over: nothing measured before counts after.
    void NewPhase(uint64_t emptiedAt, bool emptied);
    // The queue's rates start over from the latest request on.
    void NewRateWindow();
    void CheckSize(const HostActivityRecord& record, std::vector<std::string>* lines);
    void CheckLate(uint64_t now, std::vector<std::string>* lines);
    void CheckSilence(uint64_t now, std::vector<std::string>* lines);
    // Says a finding when it becomes true (non-empty text), when its figure
    // changes by a quarter or more, and when it ends.
    void SetFinding(Finding finding, const std::string& text, uint64_t time, std::vector<std::string>* lines,
                    double figure = 0);
    // The host let go (closed the port, or ended): what held then is said
    // with `what`, and forgotten without a "no longer".
    void LetGo(const std::string& what, uint64_t time, std::vector<std::string>* lines);
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
    uint32_t asked = 0;               // the N of the latest request
    bool portOpen = portOpenAtStart;  // declared after it, so set after it
    bool timeoutsSeen = false;
    uint32_t hostTimeouts[HOST_ACTIVITY_TIMEOUT_COUNT] = {};
    bool anySequence = false;   // a record has been added
    uint32_t nextSequence = 0;  // the sequence of the record that follows it
    // A Write P,N whose Read has not come yet: the two are one packet.
    bool writePending = false;
    int32_t pendingResult = 0;

    FrameLengthMeter meter;
    bool sizeVaries = false;  // the size finding is of frames that vary in length
    uint32_t bytesSinceFrameStart = 0;
    uint64_t lastByteTime = 0;     // a byte read, or the watch's start
    uint64_t lastRequestTime = 0;  // 0: none yet

    // The port's input queue since the phase began: Open, purge, a queue
    // that fills up or drains again.
    QueueArrivals arrivals;
    std::deque<QueueSample> window;  // the last seconds' requests, at least the latest two
    uint32_t phaseMost = 0;          // the largest queue of the phase
    uint64_t phaseMostTime = 0;      // when it was reached
    bool queueFull = false;          // overrun flags came, or the queue stopped near its largest
    uint32_t fullQueue = 0;          // the largest queue seen while full: the port's buffer

    // This second's counts: packets that ended in it.
    uint32_t requests = 0, packetsOk = 0, timeouts = 0, misreads = 0;

    std::string findings[FINDING_COUNT];
    uint64_t findingSince[FINDING_COUNT] = {};
    double figures[FINDING_COUNT] = {};      // a finding's figure (the late one's seconds)
    uint64_t saidAt[FINDING_COUNT] = {};     // when the console last said it
    double saidFigures[FINDING_COUNT] = {};  // the figure said then
    bool lateFull = false;                   // the late finding said is the full queue's
    std::string lateText;
};
