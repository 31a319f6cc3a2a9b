// Measures the payload length of the Ardun frames on a line, from the bytes
// as they come, whatever length a reader asks for. The framing has no length
// field, so the meter keeps the bytes between two frame starts and asks which
// payload length explains them:
// - a device that sends with the ArdunFrame library puts exactly the
//   library's frame between two frame starts: for a payload length N, the
//   first N payload bytes re-encoded by the library itself (FF doubled, end,
//   spare and fill bytes), then the next frame's lead byte. The N that most
//   of the latest frames fit so wins, whatever the payloads hold;
// - bytes between the library's frame and the next lead (line noise, as
//   ardun-sim --noise adds, or text the device prints) are allowed next;
// - a device that sends bare frames, one after another with nothing between,
//   has the distance between frame starts as its N.
// A bare payload that always ends in 55 and always holds 55 55 at one place
// reads the same as the library's frame with bytes after it: the library's
// reading is taken.
// Bare frames whose last bytes are the same in every frame (a device's own
// trailer, such as 55 55 or CR LF) read two ways: as payload, or as bytes
// after a shorter one. The host's reader gets every frame at the shorter
// length (it drops one byte after the payload and finds the next start) and
// only every other one at the longer, so the shorter is the N to ask for and
// the longer is said beside it. Pure logic, no windows.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <deque>
#include <string>
#include <vector>

enum class FrameLengthFinding {
    TooFewFrames,          // not enough frames yet to judge
    Found,                 // payloadLength is the N the host must ask for (1..255)
    VaryingLengths,        // frames seen, but no N fits most of them: "frames of varying length"
    LongerThanAnyRequest,  // frames agree on a payload longer than 255: "longer than any host can ask for"
};

struct FrameLengthVerdict {
    FrameLengthFinding finding;
    uint32_t payloadLength;  // Found (or LongerThanAnyRequest): the length; else 0
    // The payload lengths of the latest frames, most frames first (a few at
    // most), and how many different ones there were: what varies.
    std::vector<uint32_t> lengths = {};
    uint32_t differentLengths = 0;
    // Found bare frames: the bytes after payloadLength that every frame ends
    // in, which may be data too (payloadLength + their count); empty: none.
    std::vector<uint8_t> trailer = {};
};

// What a host must know of frames of varying length: it reads one fixed size.
// "the device sends frames of 3 different lengths (13, 6, 10): a host reads
// one fixed size; send one struct per frame"
std::string VaryingLengthsText(const FrameLengthVerdict& verdict);

// The verdict's length as a user reads it: "12 payload bytes", or "12 payload
// bytes, then 55 55 in every frame; 14 if those are data".
std::string DescribeFrameLength(const FrameLengthVerdict& verdict);

class FrameLengthMeter {
public:
    void Add(const uint8_t* bytes, size_t count);
    // The bytes added next do not follow the last ones on the line: some
    // were not seen. The meter starts afresh: what it saw before may be
    // another length than the frames it could not see.
    void Break();
    // Bytes were not seen, but the line is the same (a purge emptied the
    // port's queue): the gap under way is lost, the frames judged stay.
    void Skip();

    // Frame starts seen (a lone FF before 00).
    uint32_t FrameStarts() const { return frameStarts; }
    // What the latest frames say of the payload length.
    FrameLengthVerdict Verdict() const;
    // Verdict().payloadLength when Found, else 0.
    uint32_t PayloadLength() const;
    // The payload length whose library frame the latest whole gap is,
    // exactly: the library's lead, end, spare and fill bytes make one such
    // frame evidence enough. 0: none.
    uint32_t LatestLibraryFit() const;
    // The line bytes from one frame start to the next, on average over the
    // latest whole gaps; 0 before the first.
    double MeanFrameBytes() const;
    // Gaps, since the meter began, that began with exactly the library's
    // frame of some payload length, its fill bytes 55 55 included (line noise
    // may follow it): a UART at the device's own rate hears more of them
    // than one at a rate a little off.
    uint32_t LibraryFrames() const { return libraryFrames; }

private:
    // What one gap between two frame starts fits.
    struct Gap {
        uint32_t exactFit;                // the N whose library frame the gap is, exactly; 0: none
        std::vector<uint32_t> noisyFits;  // the N whose library frame starts the gap, more bytes after it
        uint32_t bareLength;              // payload bytes of a bare frame filling the gap; 0: not one
        uint32_t longPayload;             // a frame too long to re-encode: its bytes before the trailing 55s
        uint32_t lineBytes;               // from one frame start to the next, both starts' two bytes included
        std::vector<uint8_t> barePayload;  // the bare frame's payload, when bareLength is not 0
    };
    void AddByte(uint8_t byte);
    void EndGap();
    // How many last bytes every bare frame of this length has in common,
    // leaving at least one.
    uint32_t SameLastBytes(uint32_t bareLength) const;

    uint32_t frameStarts = 0;
    uint32_t libraryFrames = 0;
    uint32_t markerRun = 0;        // FFs in a row, not yet resolved
    bool afterFrameStart = false;  // a frame start has been seen and the gap is kept
    std::vector<uint8_t> gap;      // the bytes since the last frame start, as on the line
    std::deque<Gap> latest;        // the latest whole gaps, oldest first
};
