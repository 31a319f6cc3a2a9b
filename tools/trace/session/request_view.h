// The trace's readable view of the line: instead of the module's two log
// lines per byte, one block per packet request that tells apart the bytes the
// reader skipped before the frame start, the frame start, the payload it
// stored (a doubled FF shown once) and the byte it dropped after the payload.
// When the device's frames are not the size asked for, it says so. Pure
// logic, no windows.h: the bytes come as the port read them, and are told
// apart by the reader's own frame scanner.
#pragma once

#include <stdint.h>

#include <deque>
#include <string>
#include <vector>

#include "tools/meter/frame_length_meter.h"
#include "tools/trace/session/request_record.h"

// The bytes one request took, in the order read, classified as the reader
// treated them; each item is a labelled line ("  skipped  3D AB 9D").
// timeLimitPassed: the request ended on its time limit, so its last byte was
// read but never looked at.
std::vector<std::string> DescribeRequestBytes(const std::vector<uint8_t>& bytes, uint32_t wanted,
                                              bool timeLimitPassed);

// The line added to a request whose payload shows that the device's frames
// are shorter than the size asked for: it holds a frame start (a single FF
// before 00), or, with frames measured shorter, ends in the ArdunFrame
// library's end bytes 55 55. Empty when it shows no such thing: a payload of
// the size measured is not short, whatever its last bytes. measured: what the
// frames measured so far hold (a payload length of 0: not measured yet).
std::string ShorterFramesLine(const std::vector<uint8_t>& bytes, uint32_t wanted, bool timeLimitPassed,
                              const FrameLengthVerdict& measured);

// One block per request, and once, when the frames measured over the whole
// trace are not the size asked for, a line that says so. It also keeps what
// the trace has shown so far, for a summary that stays in view. One view
// serves one trace: a new trace starts with a new view.
class RequestView {
public:
    // The request has ended: its block of bytes, then the trace's own line,
    // then what it shows of the frames' size.
    std::vector<std::string> RequestEnded(const RequestRecord& request);
    // Only the frames' size, for a trace that shows the bytes another way.
    std::vector<std::string> MeasureFrames(const RequestRecord& request);

    // The requests so far: "12 ok, 3 time-outs, 1 failed, 2 misread". A
    // misread packet arrived whole but is not one of the device's payloads:
    // the frames are not the size asked for. A failed request found the port
    // not open or lost it. A packet is counted once its frames are measured
    // (", 2 waiting for the frames' size" until then). Empty before the
    // first request.
    std::string TallyText() const;
    // What the trace shows so far, with what to do about it: the wrong size
    // and the N to ask for, no byte, no frames. Empty before the first request.
    std::string FindingText() const;

private:
    // Measures and counts the request; its "look shorter" line, or empty.
    std::string Account(const RequestRecord& request);
    // What the frames measured make of a packet of the size asked for.
    enum class Judgement { Unknown, Ok, Misread };
    Judgement JudgementOf(const FrameLengthVerdict& verdict) const;
    void Count(bool isMisread, bool certain);
    // Once the frames are measured, counts the packets that waited for it;
    // when the size measured changes, moves the latest packets counted by
    // the size before, with a line that says so.
    std::vector<std::string> JudgeAgain();
    // The line that says the frames measured are not the size asked for, the
    // first time they are not, or vary in length.
    std::vector<std::string> MismatchOnce(uint32_t wanted);

    FrameLengthMeter meter;
    bool mismatchShown = false;
    bool lastFailed = false;  // the latest request found the port lost or closed
    uint32_t wanted = 0;      // of the latest request
    uint32_t requests = 0;
    // The whole new packets, each in one of three counts.
    uint32_t ok = 0;        // the device's payloads
    uint32_t misread = 0;   // not the device's payloads
    uint32_t awaiting = 0;  // not yet counted: the frames not yet measured
    struct Counted {
        bool misread;
        bool certain;  // a frame start inside its payload: misread whatever the size
    };
    std::deque<Counted> recent;                     // the latest packets counted, oldest first
    Judgement sizedJudgement = Judgement::Unknown;  // by the latest size measured
    uint32_t failed = 0;                            // the port not open, or lost
    uint64_t bytesRead = 0;
    std::string shorterLine;  // the latest "look shorter" line
    std::string varyingLine;  // the lengths of frames that vary, as first said
};
