// Measures the payload length of the Ardun frames on a line, from the bytes
// as they come, whatever length a reader asks for. The framing has no length
// field, so the meter takes the decoded bytes between two frame starts and
// tells the payload apart from what the ArdunFrame library sends around it:
// after the payload its end and spare bytes 55 55 (and fill 55s), then any
// line noise, then the lead byte 55 before the next frame start. The payload
// length is where the 55 55 begins in most frames. For a device that sends no
// such bytes it is the distance between frame starts, when most agree. Pure
// logic, no windows.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <deque>
#include <vector>

class FrameLengthMeter {
public:
    void Add(const uint8_t* bytes, size_t count);

    // Frame starts seen (a lone FF before 00).
    uint32_t FrameStarts() const { return frameStarts; }
    // The payload length most of the latest frames agree on; 0 while there
    // are too few frames or no agreement.
    uint32_t PayloadLength() const;

private:
    struct Gap {
        uint32_t length;                  // decoded bytes between two frame starts
        std::vector<uint32_t> endsAfter;  // where a 55 55 could end the payload, ascending
    };
    void AddByte(uint8_t byte);
    void EndGap();

    uint32_t frameStarts = 0;
    uint32_t markerRun = 0;        // FFs in a row, not yet resolved
    bool afterFrameStart = false;  // a frame start has been seen and the gap is measured
    std::vector<uint8_t> gap;      // decoded bytes since the last frame start
    std::deque<Gap> latest;        // the latest whole gaps, oldest first
};
