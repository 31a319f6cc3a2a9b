// A device's line of frames written one after another by ArdunFrame, and a
// host's requests run over it through the packet reader: which frame each
// request got whole, told apart from a misread by where the request began and
// ended on the line. Pure logic: native tests, fuzz targets and under Wine.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "parser/packet_collector.h"

typedef std::vector<uint8_t> Bytes;

// Where one frame lies on the line, as indexes into its bytes.
struct FramePlace {
    size_t startZero;  // the frame start's 0x00
    size_t end;        // just past the byte read after the payload
    size_t next;       // just past the frame's last byte: the next frame's first
};

struct FrameLine {
    Bytes bytes;
    std::vector<Bytes> payloads;
    std::vector<FramePlace> places;
};

FrameLine WriteFrames(const std::vector<Bytes>& payloads);
// The same line with the byte at `position` lost, or with `value` put in
// before it.
FrameLine WithoutByte(FrameLine line, size_t position);
FrameLine WithExtraByte(FrameLine line, size_t position, uint8_t value);

enum class HostPattern { ReadsOnly, WriteReadPairs };

struct RequestGot {
    PacketRequester requester;
    ResultCode result;
    int frame;     // the frame it got whole, or -1 for a misread packet
    size_t begin;  // line index of its first byte
    size_t end;    // line index just past its last byte
};

const int MISREAD = -1;

// Runs requests on the line from index `from`, the first a Write for
// WriteReadPairs, each asking for `wanted` bytes (the last one repeating for
// later requests), until a request stores nothing or reads nothing. A
// request got frame m whole when it holds exactly frame m's payload with
// result 0, read that frame's start, and ended inside that frame's bytes.
std::vector<RequestGot> RunRequests(const FrameLine& line, size_t from, HostPattern pattern,
                                    const std::vector<uint32_t>& wanted);

// The frames got, in request order (MISREAD for a misread packet).
std::vector<int> FramesGot(const std::vector<RequestGot>& requests);

// The frame whose request, in step, reads the byte at `position`: frame f
// reads from just past frame f-1's end byte through its own.
int FrameReading(const FrameLine& line, size_t position);

// True when `frames`, the frames a run of requests got, are: `first`, the one
// after it, ... up to the one before `upset`; then at most one misread packet;
// then every frame from `upset` or the one after it, in order, through the
// line's last frame. So a reader upset at frame `upset` (begun there, or a
// byte lost or added there) is back in step after at most one misread packet.
bool BackInStep(const std::vector<int>& frames, int first, int upset, int last);
