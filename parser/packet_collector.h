// One packet request of the component's packet reader: pulls bytes one at a
// time from a byte source, finds the Ardun frame start, undoes the doubled
// markers and stores the payload, within a time limit. Pure logic without
// windows.h: the DLL runs it over its COM port and the performance counter,
// the tests and fuzz targets over scripted lines and clocks.
//
// ByteSource: bool IsOpen(); uint32_t ReadByte(uint8_t* byte), one blocking
// read of one byte, 1 when a byte arrived and 0 on silence or failure.
// RequestClock: as request_deadline.h says.
#pragma once

#include <stdint.h>

#include "common/result_codes.h"
#include "parser/frame_scanner.h"
#include "parser/request_deadline.h"

const uint32_t PACKET_BUFFER_SIZE = 256;
// A request stops when the buffer is full, so a smaller one would cut the
// largest packet a host can ask for.
static_assert(PACKET_BUFFER_SIZE >= ARDUNFRAME_LARGEST_REQUEST, "the buffer holds the largest request");

// What the component keeps from one request to the next.
struct HeldPacket {
    uint8_t packetBuffer[PACKET_BUFFER_SIZE];  // payload of the latest frame stored
    uint32_t storedCount;                      // valid bytes in packetBuffer
    // The request just before stored at least one byte: the payload held is
    // that request's, not an older one.
    bool storedByLastRequest;
};

// A host Read may hand out a held payload as its own result only when the
// request just before collected it; a Write's result never looks at that.
enum class PacketRequester { Write, Read };

// What one request saw of the line, for diagnostics: it tells a silent line
// from one without a frame start and from a frame cut short.
struct PacketRequestOutcome {
    uint32_t bytesReceived;  // bytes taken from the source, a dropped extra byte included
    bool frameStarted;       // the frame start was recognised
    uint32_t stored;         // payload bytes this request stored
    bool timeLimitPassed;    // the request ended because its time was up
    // Set by the component, not by CollectPacket: the device went away in
    // this request, or was still away; or the port opened again for it.
    bool portLost = false;
    bool portBack = false;
    // Bytes taken before the frame start's marker (all of them when no start came).
    uint32_t skipped = 0;
};

// Collects one frame of `wanted` payload bytes into held. Returns 0 when the
// time limit was not passed and exactly `wanted` bytes are held afterwards
// (for a Read that stored nothing, only when the request before it stored
// them); E_FAIL when the source is not open, reading nothing; RESULT_TIMEOUT
// otherwise. A request that stores nothing keeps the earlier payload. What
// the request saw goes to *outcome when outcome is not null.
template <class ByteSource, class RequestClock>
ResultCode CollectPacket(ByteSource& source, RequestClock& clock, double timeLimit, uint32_t wanted,
                         PacketRequester requester, HeldPacket* held, PacketRequestOutcome* outcome = nullptr)
{
    // The clock is taken before anything else and never reset.
    RequestDeadline<RequestClock> deadline(clock, timeLimit);
    const bool lastRequestStored = held->storedByLastRequest;
    held->storedByLastRequest = false;
    if (outcome != nullptr)
        *outcome = PacketRequestOutcome();
    if (!source.IsOpen())
        return E_FAIL;

    ResultCode result = RESULT_OK;
    FrameScanner scanner = {};
    uint32_t stored = 0;
    uint32_t beforeStart = 0;  // bytes taken up to the frame start's marker
    uint8_t byte = 0;
    uint32_t got = source.ReadByte(&byte);
    uint32_t bytesReceived = got;
    while (got != 0) {
        // A request longer than the buffer ends when the buffer is full:
        // nothing is ever stored past its end.
        if (stored >= wanted || stored >= PACKET_BUFFER_SIZE)
            break;
        // Tested before the byte is examined, never around the blocking read,
        // so a request may outlast the limit by one read time-out.
        if (deadline.Passed()) {
            result = RESULT_TIMEOUT;
            if (outcome != nullptr)
                outcome->timeLimitPassed = true;
            break;
        }
        if (!scanner.inFrame)
            beforeStart = bytesReceived;
        if (ScanFrameByte(&scanner, byte, bytesReceived))
            held->packetBuffer[stored++] = byte;
        // Completion is tested only at the top of the next pass, so one byte
        // after the last payload byte is consumed and dropped.
        got = source.ReadByte(&byte);
        bytesReceived += got;
    }

    if (outcome != nullptr) {
        outcome->bytesReceived = bytesReceived;
        outcome->frameStarted = scanner.inFrame;
        outcome->stored = stored;
        // The start is a marker and 0x00, found at beforeStart.
        outcome->skipped = scanner.inFrame ? beforeStart - 2 : bytesReceived;
    }
    if (stored > 0) {
        held->storedCount = stored;
        held->storedByLastRequest = true;
    }
    // A Read that caught nothing would otherwise pass an old packet off as new
    // for as long as the line stays quiet.
    const bool olderPayload = requester == PacketRequester::Read && stored == 0 && !lastRequestStored;
    if (held->storedCount != wanted || olderPayload)
        result = RESULT_TIMEOUT;
    return result;
}
