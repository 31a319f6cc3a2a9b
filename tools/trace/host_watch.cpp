#include "tools/trace/host_watch.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "tools/cli/result_code_text.h"

namespace {

const uint64_t SECOND = 1000000;
// The rates are taken over the requests of the last seconds.
const uint64_t RATE_WINDOW = 3 * SECOND;
// Packets this far behind the device are late; the finding ends below half.
const double LATE_SECONDS = 0.5;
const double ON_TIME_SECONDS = 0.25;
// Bytes read without a frame start before the line is taken for no Ardun frames.
const uint32_t NO_FRAMES_BYTES = 64;
// The host asks and no byte comes for this long: the line is silent. Not
// named SILENCE: inside HostWatch that name is the finding's.
const uint64_t SILENT_MICROSECONDS = 5 * SECOND;
// ResultCode's time-out, spelled here so the pure logic needs no windows.h.
const int32_t TIMEOUT_RESULT = (int32_t)0x800705B4u;

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
    // held bytes of the line: the meter must not join the bytes around them.
    if (anySequence && record.sequenceBegin != nextSequence)
        meter.Break();
    anySequence = true;
    nextSequence = record.sequenceBegin + 1;
    if (record.kind == HOST_ACTIVITY_WRITE || record.kind == HOST_ACTIVITY_READ)
        AddRequest(record, lines);
    else
        AddEvent(record, lines);
}

void HostWatch::AddEvent(const HostActivityRecord& record, std::vector<std::string>* lines)
{
    const std::string stamp = Stamp(record.timeMicroseconds);
    switch (record.kind) {
    case HOST_ACTIVITY_OPEN:
        lines->push_back(stamp + Printf("Open %s at %u baud: %s", PortName(TextOf(record.portPath)).c_str(),
                                        (unsigned)record.baudRate, Outcome(record.result).c_str()));
        if (record.result == 0) {
            openSeen = true;
            portName = PortName(TextOf(record.portPath));
            baudRate = record.baudRate;
            portOpen = true;
            timeoutsSeen = false;  // a port opened anew has the plug-in's own
            SetFinding(PORT_LOST, "", record.timeMicroseconds, lines);
            meter.Break();  // perhaps another port, another device
        }
        break;
    case HOST_ACTIVITY_CLOSE:
        lines->push_back(stamp + "Close: " + Outcome(record.result));
        portOpen = false;
        // What the port did is over; what it does after the next Open is new.
        for (int finding = 0; finding < FINDING_COUNT; ++finding)
            SetFinding((Finding)finding, "", record.timeMicroseconds, lines);
        recent.clear();
        bytesSinceFrameStart = 0;
        lastRequestTime = 0;
        lastByteTime = record.timeMicroseconds;
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
        // The queue is emptied: the rates and the frames start again from here.
        recent.clear();
        meter.Break();
        break;
    case HOST_ACTIVITY_PURGE_OUTPUT:
        lines->push_back(stamp + "PurgeOutput: " + Outcome(record.result));
        break;
    case HOST_ACTIVITY_PORT_LOST:
        SetFinding(PORT_LOST,
                   (portName.empty() ? std::string("the port") : portName) +
                       " lost: the device is gone; each request tries to open it again",
                   record.timeMicroseconds, lines);
        break;
    case HOST_ACTIVITY_PORT_BACK:
        SetFinding(PORT_LOST, "", record.timeMicroseconds, lines);
        break;
    default:
        break;  // the reader passes only known kinds
    }
}

void HostWatch::AddRequest(const HostActivityRecord& record, std::vector<std::string>* lines)
{
    const uint64_t time = record.timeMicroseconds;
    asked = record.requested;
    ++requests;
    if (record.result == TIMEOUT_RESULT)
        ++timeouts;
    else if (record.result == 0)
        ++packetsOk;

    // A record keeps only the first bytes of a long request: the meter sees
    // them, and not a frame that runs on past them.
    const uint32_t kept = HostActivityKeptBytes(record);
    const uint32_t startsBefore = meter.FrameStarts();
    meter.Add(record.bytes, kept);
    if (kept < record.byteCount)
        meter.Break();
    const uint32_t starts = meter.FrameStarts() - startsBefore;
    recent.push_back(
        {time, record.byteCount, record.inputQueue, starts, kept == record.byteCount ? kept : 0});
    while (!recent.empty() && recent.front().time + RATE_WINDOW < time)
        recent.pop_front();
    lastRequestTime = time;
    if (record.byteCount > 0) {
        lastByteTime = time;
        SetFinding(SILENCE, "", time, lines);
    }

    const FrameLengthVerdict verdict = meter.Verdict();
    if (verdict.finding == FrameLengthFinding::Found && verdict.payloadLength != record.requested)
        SetFinding(WRONG_SIZE,
                   Printf("the device's frames hold %u payload bytes; the host asks for %u",
                          (unsigned)verdict.payloadLength, (unsigned)record.requested),
                   time, lines);
    else if (verdict.finding == FrameLengthFinding::Found)
        SetFinding(WRONG_SIZE, "", time, lines);
    if (record.result == 0 && !findings[WRONG_SIZE].empty())
        ++misreads;

    // A packet stored means the plug-in found a frame start, perhaps past the
    // kept bytes; otherwise only the kept bytes count, as only they were seen.
    bytesSinceFrameStart = starts > 0 || record.stored > 0 ? 0 : bytesSinceFrameStart + kept;
    SetFinding(NO_FRAMES, bytesSinceFrameStart >= NO_FRAMES_BYTES ? NoFramesText() : "", time, lines);
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
}

void HostWatch::CheckLate(uint64_t now, std::vector<std::string>* lines)
{
    if (recent.size() < 3 || recent.back().time - recent.front().time < SECOND / 2) {
        lateText.clear();
        SetFinding(LATE, "", now, lines);
        return;
    }
    // What the device sent in the window: what the requests before the last
    // took (each queue was counted before its request read), and what the
    // queue grew by.
    uint64_t read = 0, keptBytes = 0, keptStarts = 0, starts = 0;
    for (size_t i = 0; i < recent.size(); ++i) {
        if (i + 1 < recent.size())
            read += recent[i].bytes;
        keptBytes += recent[i].keptBytes;
        keptStarts += recent[i].keptBytes > 0 ? recent[i].frameStarts : 0;
        starts += i > 0 ? recent[i].frameStarts : 0;
    }
    const double span = (double)(recent.back().time - recent.front().time) / SECOND;
    const double sent = (double)read + (double)recent.back().inputQueue - (double)recent.front().inputQueue;
    const double byteRate = sent / span;
    // Nothing queued (a drained queue, a port gone) or no frames on the line:
    // no packet is late. With no rate to tell by, the finding stands as it was.
    if (recent.back().inputQueue == 0 || !findings[NO_FRAMES].empty()) {
        lateText.clear();
        SetFinding(LATE, "", now, lines);
        return;
    }
    if (byteRate <= 0 || keptStarts == 0) {
        lateText.clear();
        return;
    }
    const double behind = recent.back().inputQueue / byteRate;
    const double bytesPerFrame = (double)keptBytes / (double)keptStarts;
    lateText = Printf("packets %.1f s behind the device", behind);
    if (behind >= LATE_SECONDS)
        SetFinding(
            LATE,
            Printf("packets are %.1f s behind the device: it sends %.0f frames a second, the host takes "
                   "%.0f",
                   behind, byteRate / bytesPerFrame, starts / span),
            now, lines);
    else if (behind < ON_TIME_SECONDS)
        SetFinding(LATE, "", now, lines);
}

void HostWatch::CheckSilence(uint64_t now, std::vector<std::string>* lines)
{
    // A record may be stamped after the watch read its clock: no silence yet.
    const bool asking = lastRequestTime != 0 && lastRequestTime > lastByteTime;
    if (asking && now > lastByteTime && now - lastByteTime >= SILENT_MICROSECONDS)
        SetFinding(SILENCE, "nothing arrives: the device is off, or on another port", now, lines);
}

void HostWatch::SetFinding(Finding finding, const std::string& text, uint64_t time,
                           std::vector<std::string>* lines)
{
    std::string& current = findings[finding];
    if (text == current)
        return;
    if (text.empty())
        lines->push_back(Stamp(time) + "no longer: " + current);
    else if (current.empty() || finding != LATE)  // lateness changes each second: said when it begins
        lines->push_back(Stamp(time) + "finding: " + text);
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
