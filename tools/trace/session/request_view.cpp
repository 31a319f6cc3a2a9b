#include "tools/trace/session/request_view.h"

#include <algorithm>

#include "firmware/ArdunFrame/src/ArdunFrame.h"
#include "parser/frame_scanner.h"
#include "tools/cli/hex_bytes.h"

namespace {

// Bytes on one line of a block; longer runs continue under the first.
const size_t BYTES_PER_LINE = 16;

enum ByteRole { SKIPPED, START, PAYLOAD, LOST, DROPPED, UNEXAMINED };

struct RoleText {
    const char* label;  // padded to one width, so the bytes line up
    const char* note;   // after the run's last byte; may be empty
};

const RoleText ROLE_TEXTS[] = {
    {"skipped ", ""},
    {"start   ", ""},
    {"payload ", ""},  // its note counts what was stored
    {"lost    ", "(a single FF inside the frame: the reader drops it)"},
    {"dropped ", "(read after the payload and dropped, as the reader does)"},
    {"unread  ", "(read when the time limit had passed, never looked at)"},
};

// Consecutive bytes of one role; a payload run holds the bytes as stored.
struct Run {
    ByteRole role;
    std::vector<uint8_t> bytes;
    size_t doubled;  // FF sent twice and stored once
};

void AddByte(std::vector<Run>& runs, ByteRole role, uint8_t byte)
{
    if (runs.empty() || runs.back().role != role)
        runs.push_back(Run{role, {}, 0});
    runs.back().bytes.push_back(byte);
}

std::string NoteOf(const Run& run)
{
    if (run.role != PAYLOAD)
        return ROLE_TEXTS[run.role].note;
    std::string note = "(" + std::to_string(run.bytes.size()) + " stored";
    if (run.doubled > 0)
        note += "; " + std::to_string(run.doubled) + " FF sent doubled, stored once";
    return note + ")";
}

// The bytes, replayed through the reader's own scanner in the reader's order.
std::vector<Run> ClassifyBytes(const std::vector<uint8_t>& bytes, uint32_t wanted, bool timeLimitPassed)
{
    std::vector<Run> runs;
    FrameScanner scanner = {};
    uint32_t stored = 0;
    // On its time limit the reader stops with a byte read but not looked at.
    const size_t examinable = timeLimitPassed && !bytes.empty() ? bytes.size() - 1 : bytes.size();
    size_t i = 0;
    for (; i < examinable && stored < wanted; ++i) {
        const uint8_t byte = bytes[i];
        const bool wasInFrame = scanner.inFrame;
        const bool markerPending = scanner.markerSeen;
        if (ScanFrameByte(&scanner, byte, (uint32_t)(i + 1))) {
            ++stored;
            if (markerPending && byte != ARDUNFRAME_MARKER)
                AddByte(runs, LOST, ARDUNFRAME_MARKER);
            AddByte(runs, PAYLOAD, byte);
            if (markerPending && byte == ARDUNFRAME_MARKER)
                ++runs.back().doubled;
        } else if (!wasInFrame && scanner.inFrame) {
            // The marker just before was the frame start's, not a skipped byte.
            runs.back().bytes.pop_back();
            if (runs.back().bytes.empty())
                runs.pop_back();
            AddByte(runs, START, ARDUNFRAME_MARKER);
            AddByte(runs, START, byte);
        } else if (!wasInFrame) {
            AddByte(runs, SKIPPED, byte);
        }
        // Otherwise an FF inside the frame, resolved by the byte after it.
    }
    if (scanner.inFrame && scanner.markerSeen)
        AddByte(runs, LOST, ARDUNFRAME_MARKER);  // the request ended before its pair came
    for (; i < bytes.size(); ++i)
        AddByte(runs, stored >= wanted ? DROPPED : UNEXAMINED, bytes[i]);
    return runs;
}

}  // namespace

std::vector<std::string> DescribeRequestBytes(const std::vector<uint8_t>& bytes, uint32_t wanted,
                                              bool timeLimitPassed)
{
    std::vector<std::string> lines;
    for (const Run& run : ClassifyBytes(bytes, wanted, timeLimitPassed)) {
        for (size_t at = 0; at < run.bytes.size(); at += BYTES_PER_LINE) {
            const size_t count = std::min(BYTES_PER_LINE, run.bytes.size() - at);
            std::string line = std::string("  ") + (at == 0 ? ROLE_TEXTS[run.role].label : "        ") + " " +
                               FormatHexBytes(run.bytes.data() + at, count);
            const std::string note = NoteOf(run);
            if (at + count == run.bytes.size() && !note.empty())
                line += " " + note;
            lines.push_back(line);
        }
    }
    return lines;
}

namespace {

// A frame start (a single FF before 00) inside the stored payload.
bool HoldsFrameStart(const std::vector<Run>& runs)
{
    for (size_t r = 1; r < runs.size(); ++r)
        if (runs[r].role == PAYLOAD && runs[r - 1].role == LOST && runs[r].bytes[0] == ARDUNFRAME_START)
            return true;
    return false;
}

// Where a payload of the frames on the line seems to end within the stored
// payload: before the library's end bytes 55 55, else before the lead byte
// of the frame start found inside it. 0 when it shows no end.
uint32_t ShorterFrameEnd(const std::vector<Run>& runs)
{
    std::vector<uint8_t> stored;
    size_t frameStartAt = 0;  // where the 00 of a frame start inside the payload was stored
    for (size_t r = 0; r < runs.size(); ++r) {
        if (runs[r].role != PAYLOAD)
            continue;
        if (frameStartAt == 0 && r > 0 && runs[r - 1].role == LOST && runs[r].bytes[0] == ARDUNFRAME_START)
            frameStartAt = stored.size();
        stored.insert(stored.end(), runs[r].bytes.begin(), runs[r].bytes.end());
    }
    const bool endsInEndBytes = stored.size() >= 2 && stored[stored.size() - 1] == ARDUNFRAME_FILL &&
                                stored[stored.size() - 2] == ARDUNFRAME_FILL;
    if (frameStartAt == 0 && !endsInEndBytes)
        return 0;
    const size_t searchEnd = frameStartAt != 0 ? frameStartAt : stored.size();
    for (size_t i = 1; i + 1 < searchEnd; ++i)
        if (stored[i] == ARDUNFRAME_FILL && stored[i + 1] == ARDUNFRAME_FILL)
            return (uint32_t)i;
    return frameStartAt > 1 ? (uint32_t)(frameStartAt - 1) : 0;
}

}  // namespace

std::string ShorterFramesLine(const std::vector<uint8_t>& bytes, uint32_t wanted, bool timeLimitPassed,
                              const FrameLengthVerdict& measured)
{
    const uint32_t measuredLength = measured.finding == FrameLengthFinding::Found ? measured.payloadLength
                                                                                  : 0;
    // Frames measured at the size asked for: a payload that holds 55 55 is
    // the device's own. Longer ones are no shorter frames either.
    if (measuredLength >= wanted)
        return "";
    const std::vector<Run> runs = ClassifyBytes(bytes, wanted, timeLimitPassed);
    // Before the frames are measured, a payload that ends in 55 55 may be
    // the device's own: only a frame start inside it shows a shorter frame.
    if (measuredLength == 0 && !HoldsFrameStart(runs))
        return "";
    const uint32_t end = ShorterFrameEnd(runs);
    if (end == 0)
        return "";
    // Measured frames that end in the same bytes say both readings.
    const bool useMeasured = measuredLength != 0 && measuredLength < wanted;
    const std::string about = !useMeasured               ? std::to_string(end)
                              : measured.trailer.empty() ? std::to_string(measuredLength)
                                                         : DescribeFrameLength(measured);
    return "the device's frames look shorter than " + std::to_string(wanted) + " bytes: about " + about;
}

std::vector<std::string> RequestView::MismatchOnce(uint32_t wanted)
{
    const FrameLengthVerdict verdict = meter.Verdict();
    if (varyingLine.empty() && verdict.finding == FrameLengthFinding::VaryingLengths) {
        varyingLine = VaryingLengthsText(verdict);
        return {varyingLine};
    }
    const uint32_t measured = meter.PayloadLength();
    if (mismatchShown || measured == 0 || measured == wanted)
        return {};
    mismatchShown = true;
    return {"the device's frames hold about " + DescribeFrameLength(verdict) + ", not the " +
            std::to_string(wanted) + " asked for: ask for " + std::to_string(measured) + " (--size " +
            std::to_string(measured) + ")"};
}

namespace {

// Packets judged again when the frames' size measured changes: about those
// whose frames the meter judges together.
const size_t PACKETS_JUDGED_AGAIN = 16;

}  // namespace

RequestView::Judgement RequestView::JudgementOf(const FrameLengthVerdict& verdict) const
{
    switch (verdict.finding) {
    case FrameLengthFinding::TooFewFrames:
        return Judgement::Unknown;
    case FrameLengthFinding::Found:
        return verdict.payloadLength == wanted ? Judgement::Ok : Judgement::Misread;
    case FrameLengthFinding::LongerThanAnyRequest:
        return Judgement::Misread;
    default:
        // Frames of varying length: no one size to judge a packet by.
        return Judgement::Ok;
    }
}

void RequestView::Count(bool isMisread, bool certain)
{
    ++(isMisread ? misread : ok);
    recent.push_back({isMisread, certain});
    if (recent.size() > PACKETS_JUDGED_AGAIN)
        recent.pop_front();
}

std::string RequestView::Account(const RequestRecord& request)
{
    meter.Add(request.bytes.data(), request.bytes.size());
    const FrameLengthVerdict verdict = meter.Verdict();
    // Before the frames are measured, the latest frame as the library sends
    // it tells their size; frames of varying length have no one size to name.
    FrameLengthVerdict size = verdict;
    if (size.finding != FrameLengthFinding::Found && meter.LatestLibraryFit() != 0) {
        size.finding = FrameLengthFinding::Found;
        size.payloadLength = meter.LatestLibraryFit();
    }
    const std::string shorter = verdict.finding == FrameLengthFinding::VaryingLengths
                                    ? ""
                                    : ShorterFramesLine(request.bytes, request.wanted,
                                                        request.timeLimitPassed, size);
    wanted = request.wanted;
    ++requests;
    bytesRead += request.bytes.size();
    const Judgement judgement = JudgementOf(verdict);
    if (request.outcome == RequestOutcome::Packet) {
        // Before the frames are measured a frame start inside the payload
        // tells a misread for sure, the latest frame one to judge again
        // once measured; any other packet waits.
        if (judgement != Judgement::Unknown)
            Count(judgement == Judgement::Misread, false);
        else if (!shorter.empty())
            Count(true, size.finding != FrameLengthFinding::Found);
        else
            ++awaiting;
    } else if (request.outcome == RequestOutcome::Failed) {
        ++failed;
    }
    lastFailed = request.outcome == RequestOutcome::Failed;
    shorterLine = shorter.empty() ? shorterLine : shorter;
    return shorter;
}

std::vector<std::string> RequestView::JudgeAgain()
{
    const FrameLengthVerdict verdict = meter.Verdict();
    const Judgement judgement = JudgementOf(verdict);
    if (judgement == Judgement::Unknown)
        return {};
    for (; awaiting > 0; --awaiting)
        Count(judgement == Judgement::Misread, false);
    // Only a size measured, not frames of varying length, says the packets
    // counted by the size before were judged wrong.
    const bool sized = verdict.finding != FrameLengthFinding::VaryingLengths;
    const Judgement before = sizedJudgement;
    if (sized)
        sizedJudgement = judgement;
    if (!sized || before == judgement)
        return {};
    // The latest packets were counted by the size before (or by the latest
    // frame, before any), but those just counted by the new one.
    const bool nowMisread = judgement == Judgement::Misread;
    uint32_t moved = 0;
    for (Counted& packet : recent) {
        if (packet.certain || packet.misread == nowMisread)
            continue;
        packet.misread = nowMisread;
        ++moved;
    }
    if (moved == 0)
        return {};
    (nowMisread ? misread : ok) += moved;
    (nowMisread ? ok : misread) -= moved;
    const std::string counted = std::to_string(moved) +
                                (moved == 1 ? " packet counted as " : " packets counted as ") +
                                (nowMisread ? "ok " : "misread ") + (moved == 1 ? "is " : "are ");
    if (!nowMisread)
        return {counted + "ok: the frames hold " + std::to_string(wanted) + " bytes after all"};
    if (verdict.finding == FrameLengthFinding::LongerThanAnyRequest)
        return {counted + "misread: the frames are longer than any host can ask for"};
    return {counted + "misread: the frames hold " + std::to_string(verdict.payloadLength) + " bytes, not " +
            std::to_string(wanted)};
}

std::vector<std::string> RequestView::MeasureFrames(const RequestRecord& request)
{
    (void)Account(request);  // its line is the request view's alone
    std::vector<std::string> lines = JudgeAgain();
    const std::vector<std::string> mismatch = MismatchOnce(request.wanted);
    lines.insert(lines.end(), mismatch.begin(), mismatch.end());
    return lines;
}

std::vector<std::string> RequestView::RequestEnded(const RequestRecord& request)
{
    std::vector<std::string> lines;
    if (!request.bytes.empty()) {
        lines.push_back("Read " + std::to_string(request.bytes.size()) +
                        (request.bytes.size() == 1 ? " byte:" : " bytes:"));
        const std::vector<std::string> block = DescribeRequestBytes(request.bytes, request.wanted,
                                                                    request.timeLimitPassed);
        lines.insert(lines.end(), block.begin(), block.end());
    }
    lines.push_back(request.line);
    const std::string shorter = Account(request);
    if (!shorter.empty())
        lines.push_back(shorter);
    const std::vector<std::string> judged = JudgeAgain();
    lines.insert(lines.end(), judged.begin(), judged.end());
    const std::vector<std::string> mismatch = MismatchOnce(request.wanted);
    lines.insert(lines.end(), mismatch.begin(), mismatch.end());
    return lines;
}

std::string RequestView::TallyText() const
{
    if (requests == 0)
        return "";
    // Every packet that arrived is ok, misread or waiting.
    const uint32_t timeOuts = requests - (ok + misread + awaiting) - failed;
    std::string tally = std::to_string(ok) + " ok, " + std::to_string(timeOuts) +
                        (timeOuts == 1 ? " time-out, " : " time-outs, ") + std::to_string(failed) +
                        " failed, " + std::to_string(misread) + " misread";
    if (awaiting > 0)
        tally += ", " + std::to_string(awaiting) + " waiting for the frames' size";
    return tally;
}

// The window's menu searches every port at each rate.
static const std::string FIND_HINT = "\"Find the device\" in the menu finds the port, rate and size";

std::string RequestView::FindingText() const
{
    if (requests == 0)
        return "";
    if (lastFailed)
        return "the port is gone (a USB adapter pulled out?) or not open: each request tries to open it "
               "again";
    const uint32_t measured = meter.PayloadLength();
    const std::string wantedText = std::to_string(wanted);
    if (measured != 0 && measured != wanted)
        return "wrong size: the device's frames hold " + DescribeFrameLength(meter.Verdict()) + ", not the " +
               wantedText + " asked for; choose " + std::to_string(measured) + " in the Size menu";
    if (measured == wanted)
        return "the device's frames hold " + wantedText + " payload bytes, the size asked for";
    const FrameLengthVerdict verdict = meter.Verdict();
    if (verdict.finding == FrameLengthFinding::LongerThanAnyRequest)
        return "the device's frames hold about " + std::to_string(verdict.payloadLength) +
               " payload bytes, longer than any host can ask for";
    // Frames that vary in length: as first said, the lengths' order moves with each frame.
    if (verdict.finding == FrameLengthFinding::VaryingLengths)
        return varyingLine.empty() ? VaryingLengthsText(verdict) : varyingLine;
    if (!shorterLine.empty())
        return shorterLine + "; measuring more frames";
    if (bytesRead == 0)
        return "no byte at all: is it the right port, is the device on and sending? " + FIND_HINT;
    if (meter.FrameStarts() == 0)
        return "no frames: " + std::to_string(bytesRead) +
               " bytes but no frame start FF 00; is the baud rate right, does the device send Ardun "
               "frames? " +
               FIND_HINT;
    return "measuring the frames' size";
}
