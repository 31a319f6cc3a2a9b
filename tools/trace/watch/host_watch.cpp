#include "tools/trace/watch/host_watch.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <cmath>

#include "tools/cli/result_code_text.h"

namespace {

const uint64_t SECOND = 1000000;
// The rates are taken over the requests of the last seconds (and at least
// the latest two, for a host that asks once every few seconds).
const uint64_t RATE_WINDOW = 3 * SECOND;
// Packets this far behind the device are late; the finding ends below half.
const double LATE_SECONDS = 0.5;
const double ON_TIME_SECONDS = 0.25;
// Rates are not taken over less.
const uint64_t SHORTEST_SPAN = SECOND / 10;
// A queue this large that has not grown for a second has reached the most
// its port holds: a pty's line buffer, or a driver that loses without saying.
const uint32_t PLATEAU_BYTES = 1024;
const uint64_t PLATEAU_MICROSECONDS = SECOND;
// A finding that holds is said again this often, and whenever its figure
// has changed by a quarter since it was last said.
const uint64_t REPEAT_MICROSECONDS = 10 * SECOND;
// Bytes read without a frame start before the line is taken for no Ardun frames.
const uint32_t NO_FRAMES_BYTES = 64;
// The host asks and no byte comes for this long: the line is silent. Not
// named SILENCE: inside HostWatch that name is the finding's.
const uint64_t SILENT_MICROSECONDS = 5 * SECOND;
// ResultCode's time-out and ClearCommError's overrun flags, spelled here so
// the pure logic needs no windows.h: CE_RXOVER, the driver's buffer was full;
// CE_OVERRUN, the UART's own, which also comes to a driver slow to serve it,
// and so tells of a full buffer only with a large queue.
const int32_t TIMEOUT_RESULT = (int32_t)0x800705B4u;
const uint32_t CE_RXOVER_FLAG = 0x0001;
const uint32_t CE_OVERRUN_FLAG = 0x0002;

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...)
{
    char text[400];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

// A text array of the area, NUL-terminated within it or cut at its end.
template <size_t N>
std::string TextOf(const char (&text)[N])
{
    return std::string(text, strnlen(text, N));
}

// "COM5" of "\\.\COM5", the path otherwise.
std::string PortName(const std::string& path)
{
    const char prefix[] = "\\\\.\\";
    return path.compare(0, sizeof prefix - 1, prefix) == 0 ? path.substr(sizeof prefix - 1) : path;
}

std::string Outcome(int32_t result)
{
    return result == 0 ? "ok" : "failed, " + FormatResultCode(result);
}

// Frames a second, a slow host's with its tenths.
std::string Rate(double perSecond)
{
    return Printf(perSecond >= 9.95 ? "%.0f" : "%.1f", perSecond);
}

}  // namespace

HostWatch::HostWatch(const HostActivityHeader& header, uint64_t startMicroseconds)
    : processId(header.hostProcessId),
      program(TextOf(header.hostProgram)),
      pluginVersion(TextOf(header.pluginVersion)),
      portOpenAtStart(header.portOpen == 1),
      start(startMicroseconds),
      nextSecond(startMicroseconds + SECOND),
      lastByteTime(startMicroseconds)
{
}

HostWatchStatus HostWatch::Status() const
{
    HostWatchStatus status = {program,  processId, pluginVersion, portOpen, portName,
                              baudRate, asked,     timeoutsSeen,  {}};
    memcpy(status.timeouts, hostTimeouts, sizeof hostTimeouts);
    return status;
}

std::string HostWatch::HostLine() const
{
    return Printf("%s (process %u), plug-in %s, port %s", program.c_str(), (unsigned)processId,
                  pluginVersion.c_str(), portOpenAtStart ? "open" : "not open");
}

std::string HostWatch::Stamp(uint64_t time) const
{
    return Printf("%8.3f s  ", ((double)time - (double)start) / SECOND);
}

void HostWatch::Add(const HostActivityRecord& record, std::vector<std::string>* lines)
{
    // Records not read (the watch fell behind, or caught one half written)
    // held bytes of the line: the meter must not join the bytes around them,
    // nor the queue's account take the requests around them for neighbours.
    if (anySequence && record.sequenceBegin != nextSequence) {
        meter.Break();
        NewPhase(0, false);
    }
    anySequence = true;
    nextSequence = record.sequenceBegin + 1;
    if (record.kind == HOST_ACTIVITY_WRITE || record.kind == HOST_ACTIVITY_READ)
        AddRequest(record, lines);
    else
        AddEvent(record, lines);
}

void HostWatch::AddEvent(const HostActivityRecord& record, std::vector<std::string>* lines)
{
    const uint64_t time = record.timeMicroseconds;
    const std::string stamp = Stamp(time);
    switch (record.kind) {
    case HOST_ACTIVITY_OPEN:
        EndPacket();
        lines->push_back(stamp + Printf("Open %s at %u baud: %s", PortName(TextOf(record.portPath)).c_str(),
                                        (unsigned)record.baudRate, Outcome(record.result).c_str()));
        if (record.result == 0) {
            openSeen = true;
            portName = PortName(TextOf(record.portPath));
            baudRate = record.baudRate;
            portOpen = true;
            timeoutsSeen = false;  // a port opened anew has the plug-in's own
            SetFinding(PORT_LOST, "", time, lines);
            meter.Break();  // perhaps another port, another device
            NewPhase(time, true);
        }
        break;
    case HOST_ACTIVITY_CLOSE:
        EndPacket();
        lines->push_back(stamp + "Close: " + Outcome(record.result));
        portOpen = false;
        // What the port did is over, not mended; what it does after the
        // next Open is new.
        LetGo("the host closed " + (portName.empty() ? std::string("the port") : portName), time, lines);
        NewPhase(0, false);
        bytesSinceFrameStart = 0;
        lastRequestTime = 0;
        lastByteTime = time;
        break;
    case HOST_ACTIVITY_SET_TIMEOUTS: {
        const uint32_t* t = record.timeouts;
        lines->push_back(stamp + Printf("SetTimeouts: read interval %u ms, read total %u ms a byte + %u ms, "
                                        "write total %u ms a byte + %u ms: %s",
                                        (unsigned)t[0], (unsigned)t[1], (unsigned)t[2], (unsigned)t[3],
                                        (unsigned)t[4], Outcome(record.result).c_str()));
        if (record.result == 0) {
            timeoutsSeen = true;
            memcpy(hostTimeouts, t, sizeof hostTimeouts);
        }
        break;
    }
    case HOST_ACTIVITY_PURGE_INPUT:
        lines->push_back(stamp + "PurgeInput: " + Outcome(record.result));
        // The queue is emptied: the rates start again from here. The device
        // is the same, so the frames measured stay.
        NewPhase(time, true);
        meter.Skip();
        break;
    case HOST_ACTIVITY_PURGE_OUTPUT:
        lines->push_back(stamp + "PurgeOutput: " + Outcome(record.result));
        break;
    case HOST_ACTIVITY_PORT_LOST:
        SetFinding(PORT_LOST,
                   (portName.empty() ? std::string("the port") : portName) +
                       " lost: the device is gone; each request tries to open it again",
                   time, lines);
        NewPhase(0, false);
        break;
    case HOST_ACTIVITY_PORT_BACK:
        SetFinding(PORT_LOST, "", time, lines);
        NewPhase(time, true);  // opened again, with an empty queue
        break;
    default:
        break;  // the reader passes only known kinds
    }
}

void HostWatch::NewPhase(uint64_t emptiedAt, bool emptied)
{
    window.clear();
    if (emptied)
        arrivals.Empty(emptiedAt);
    else
        arrivals.Unknown();
    phaseMost = 0;
    phaseMostTime = 0;
    queueFull = false;
    fullQueue = 0;
}

void HostWatch::NewRateWindow()
{
    // The request before stays as the window's start: what the host read
    // then is still the host's pace.
    while (window.size() > 2)
        window.pop_front();
}

void HostWatch::AddRequest(const HostActivityRecord& record, std::vector<std::string>* lines)
{
    const uint64_t time = record.timeMicroseconds;
    const bool write = record.kind == HOST_ACTIVITY_WRITE;
    // Any Write but P,N is answered at once and reads nothing: not a
    // request for a packet of 0 bytes.
    if (write && record.requested == 0 && record.result == 0 && record.byteCount == 0) {
        SetFinding(NOT_P_N, "the host's Write was not P,N: it asks for no packet", time, lines);
        return;
    }
    if (write)
        SetFinding(NOT_P_N, "", time, lines);
    asked = record.requested;

    // A record keeps only the first bytes of a long request: the meter sees
    // them, and not a frame that runs on past them.
    const uint32_t kept = HostActivityKeptBytes(record);
    const uint32_t startsBefore = meter.FrameStarts();
    meter.Add(record.bytes, kept);
    if (kept < record.byteCount)
        meter.Break();
    const uint32_t starts = meter.FrameStarts() - startsBefore;
    lastRequestTime = time;
    if (record.byteCount > 0) {
        lastByteTime = time;
        SetFinding(SILENCE, "", time, lines);
    }
    CheckSize(record, lines);

    // A packet is a Write P,N and the Read after it, or a Read alone.
    const bool packetBegun = write || !writePending;
    if (packetBegun)
        EndPacket();
    writePending = true;
    pendingResult = record.result;
    if (!write)
        EndPacket();
    AddQueueSample(record, packetBegun);

    // A packet stored means the plug-in found a frame start, perhaps past the
    // kept bytes; otherwise only the kept bytes count, as only they were seen.
    bytesSinceFrameStart = starts > 0 || record.stored > 0 ? 0 : bytesSinceFrameStart + kept;
    SetFinding(NO_FRAMES, bytesSinceFrameStart >= NO_FRAMES_BYTES ? NoFramesText() : "", time, lines);
}

void HostWatch::EndPacket()
{
    if (!writePending)
        return;
    writePending = false;
    ++requests;
    if (pendingResult == TIMEOUT_RESULT)
        ++timeouts;
    else if (pendingResult == 0)
        ++packetsOk;
    if (pendingResult == 0 && !findings[WRONG_SIZE].empty())
        ++misreads;
}

void HostWatch::CheckSize(const HostActivityRecord& record, std::vector<std::string>* lines)
{
    const FrameLengthVerdict verdict = meter.Verdict();
    if (verdict.finding == FrameLengthFinding::VaryingLengths) {
        // The lengths' order moves with each frame: the finding stays as first said.
        if (findings[WRONG_SIZE].empty() || !sizeVaries)
            SetFinding(WRONG_SIZE, VaryingLengthsText(verdict), record.timeMicroseconds, lines);
        sizeVaries = true;
        return;
    }
    sizeVaries = false;
    uint32_t length = verdict.finding == FrameLengthFinding::Found ? verdict.payloadLength : 0;
    // A host that purges before each packet leaves the meter fewer frames
    // than a verdict needs: one whole library frame in a packet's bytes is
    // evidence enough.
    if (verdict.finding == FrameLengthFinding::TooFewFrames)
        length = meter.LatestLibraryFit();
    if (length == 0)
        return;
    const std::string frames = verdict.finding == FrameLengthFinding::Found
                                   ? DescribeFrameLength(verdict)
                                   : Printf("%u payload bytes", (unsigned)length);
    SetFinding(WRONG_SIZE,
               length == record.requested ? ""
                                          : Printf("the device's frames hold %s; the host asks for %u",
                                                   frames.c_str(), (unsigned)record.requested),
               record.timeMicroseconds, lines);
}

void HostWatch::AddQueueSample(const HostActivityRecord& record, bool packetBegun)
{
    // The queue was asked as the request began.
    const uint64_t began = record.timeMicroseconds -
                           std::min<uint64_t>(record.durationMicroseconds, record.timeMicroseconds);
    const uint32_t queued = record.inputQueue;
    arrivals.Request(began, queued, record.byteCount);
    const bool risen = queued > phaseMost;
    if (risen) {
        phaseMost = queued;
        phaseMostTime = began;
    }
    const bool overrun = (record.lineErrors & CE_RXOVER_FLAG) != 0 ||
                         ((record.lineErrors & CE_OVERRUN_FLAG) != 0 && queued >= PLATEAU_BYTES);
    const bool stalled = !risen && queued >= PLATEAU_BYTES && queued >= phaseMost - phaseMost / 16 &&
                         began >= phaseMostTime + PLATEAU_MICROSECONDS;
    window.push_back({began, queued, record.byteCount, packetBegun});
    // Once full, the queue takes in what the host reads, not what the device
    // sends: the rates start again, and again when it drains.
    if (!queueFull && (overrun || stalled)) {
        queueFull = true;
        fullQueue = stalled ? phaseMost : queued;
        NewRateWindow();
    } else if (queueFull && queued < fullQueue / 2) {
        queueFull = false;
        phaseMost = queued;
        phaseMostTime = began;
        NewRateWindow();
    }
    if (queueFull && queued > fullQueue)
        fullQueue = queued;
    while (window.size() > 2 && window.front().time + RATE_WINDOW < began)
        window.pop_front();
}

std::string HostWatch::NoFramesText() const
{
    const char* advice = ": ardun-trace --find tells the device's";
    if (openSeen)
        return Printf("bytes but no Ardun frames at %u baud, the rate the host opened %s with%s",
                      (unsigned)baudRate, portName.c_str(), advice);
    if (portOpenAtStart)
        return Printf("bytes but no Ardun frames at the rate the host opened the port with before the watch "
                      "began%s",
                      advice);
    return Printf("bytes but no Ardun frames, and the host asks without having opened the port%s", advice);
}

void HostWatch::Lost(uint32_t missed, uint32_t torn, std::vector<std::string>* lines)
{
    if (missed > 0)
        lines->push_back(Printf("(%u of the host's calls missed: the watch fell behind)", (unsigned)missed));
    if (torn > 0)
        lines->push_back(Printf("(%u of the host's calls unreadable: caught half written)", (unsigned)torn));
}

void HostWatch::Tick(uint64_t now, std::vector<std::string>* lines)
{
    if (now < nextSecond)
        return;
    // A watch that was held up says one line for the seconds it missed.
    nextSecond = now - nextSecond > SECOND ? now + SECOND : nextSecond + SECOND;
    if (requests > 0)
        lines->push_back(Stamp(now) + Printf("requests %u, packets ok %u, time-outs %u, misreads %u, N %u",
                                             (unsigned)requests, (unsigned)packetsOk, (unsigned)timeouts,
                                             (unsigned)misreads, (unsigned)asked));
    requests = packetsOk = timeouts = misreads = 0;
    CheckLate(now, lines);
    CheckSilence(now, lines);
    for (int finding = 0; finding < FINDING_COUNT; ++finding)
        if (!findings[finding].empty() && now >= saidAt[finding] + REPEAT_MICROSECONDS) {
            lines->push_back(Stamp(now) + "finding: " + findings[finding]);
            saidAt[finding] = now;
            saidFigures[finding] = figures[finding];
        }
}

void HostWatch::HostEnded(uint64_t now, std::vector<std::string>* lines)
{
    EndPacket();
    LetGo("the host ended", now, lines);
}

void HostWatch::LetGo(const std::string& what, uint64_t time, std::vector<std::string>* lines)
{
    const std::string held = FindingText();
    lines->push_back(Stamp(time) + what + (held.empty() ? "" : " (findings then: " + held + ")"));
    for (std::string& finding : findings)
        finding.clear();
    lateText.clear();
}

void HostWatch::CheckLate(uint64_t now, std::vector<std::string>* lines)
{
    // No frames on the line: no packet is late. No request since the phase
    // began: nothing tells yet.
    if (!findings[NO_FRAMES].empty()) {
        lateText.clear();
        SetFinding(LATE, "", now, lines);
        return;
    }
    if (window.empty())
        return;
    const QueueSample& last = window.back();
    const double frameBytes = meter.MeanFrameBytes();
    // A queue of a frame or less (drained, or a port gone): nothing is late.
    if (last.queued == 0 || last.queued <= frameBytes) {
        lateText.clear();
        SetFinding(LATE, "", now, lines);
        return;
    }
    // Rates over less than a tenth of a second (a Write and its Read, just
    // after the queue filled) say little: the next request tells more.
    const QueueSample& first = window.front();
    if (frameBytes <= 0 || last.time < first.time + SHORTEST_SPAN)
        return;
    // A queue that stopped growing may be full before its plateau tells so:
    // its intake is the host's pace then, not the device's. Until the
    // plateau decides, the rates are taken up to the queue's latest rise.
    size_t end = window.size() - 1;
    if (!queueFull && phaseMostTime >= first.time + SHORTEST_SPAN)
        while (window[end].time > phaseMostTime)
            --end;
    // What the host read between the first request and the end, and what
    // came into the queue meanwhile: that and its growth.
    uint64_t read = 0;
    uint32_t packets = 0;
    for (size_t i = 0; i < end; ++i) {
        read += window[i].read;
        packets += window[i + 1].packetBegun ? 1 : 0;
    }
    const double span = (double)(window[end].time - first.time) / SECOND;
    const double intake = (double)read / span;
    const double arrived = ((double)read + (double)window[end].queued - (double)first.queued) / span;
    double behind = 0;
    uint64_t headAge = 0;
    if (arrivals.HeadAge(&headAge))
        behind = (double)headAge / SECOND;
    else if (queueFull ? intake > 0 : arrived > 0)
        behind = last.queued / (queueFull ? intake : arrived);
    else
        return;
    lateText = Printf("packets %.1f s behind the device", behind);
    if (behind < ON_TIME_SECONDS) {
        SetFinding(LATE, "", now, lines);
        return;
    }
    if (behind < LATE_SECONDS && findings[LATE].empty())
        return;
    // A full queue loses what the device sends: its rate is not measured.
    if (queueFull)
        SetFinding(
            LATE,
            Printf("packets are %.1f s behind the device and bytes are being lost: the port's buffer is "
                   "full (%u bytes); the device sends more than the host takes (%s frames a second)",
                   behind, (unsigned)fullQueue, Rate(packets / span).c_str()),
            now, lines, behind);
    else if (arrived > 0)
        SetFinding(
            LATE,
            Printf("packets are %.1f s behind the device: it sends %s frames a second, the host takes %s",
                   behind, Rate(arrived / frameBytes).c_str(), Rate(packets / span).c_str()),
            now, lines, behind);
}

void HostWatch::CheckSilence(uint64_t now, std::vector<std::string>* lines)
{
    // A record may be stamped after the watch read its clock: no silence yet.
    const bool asking = lastRequestTime != 0 && lastRequestTime > lastByteTime;
    if (asking && now > lastByteTime && now - lastByteTime >= SILENT_MICROSECONDS)
        SetFinding(SILENCE, "nothing arrives: the device is off, or on another port", now, lines);
}

void HostWatch::SetFinding(Finding finding, const std::string& text, uint64_t time,
                           std::vector<std::string>* lines, double figure)
{
    std::string& current = findings[finding];
    figures[finding] = figure;
    if (text == current)
        return;
    if (text.empty()) {
        lines->push_back(Stamp(time) + "no longer: " + current);
    } else {
        // The late finding's figure changes with each look: said again
        // only when it has moved by a quarter, or the queue has filled or
        // drained.
        const bool news = current.empty() || finding != LATE || lateFull != queueFull ||
                          std::fabs(figure - saidFigures[finding]) * 4 >= saidFigures[finding];
        if (news) {
            lines->push_back(Stamp(time) + "finding: " + text);
            saidAt[finding] = time;
            saidFigures[finding] = figure;
            if (finding == LATE)
                lateFull = queueFull;
        }
    }
    if (current.empty() != text.empty())
        findingSince[finding] = time;
    current = text;
}

std::string HostWatch::FindingText() const
{
    // The latest finding last, where a narrow status line still shows it whole.
    std::string text;
    uint64_t shown = 0;
    for (int count = 0; count < FINDING_COUNT; ++count) {
        int next = -1;
        for (int finding = 0; finding < FINDING_COUNT; ++finding)
            if (!findings[finding].empty() && (shown & (1u << finding)) == 0 &&
                (next < 0 || findingSince[finding] < findingSince[next]))
                next = finding;
        if (next < 0)
            break;
        shown |= 1u << next;
        text += (text.empty() ? "" : "; ") + findings[next];
    }
    return text;
}
