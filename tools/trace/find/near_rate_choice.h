// The choice between baud rates close enough that a UART at one half
// understands a device at the other. The frames themselves choose: at the
// device's own rate more of them are exactly the ArdunFrame library's
// encoding (its fill bytes 55 55 included) than at a rate a few percent off,
// where bytes come garbled. Framing errors, where the driver reports them,
// only add evidence: a driver may report none at all, and one read that
// began inside a byte may be flagged at the right rate. What the frames
// cannot tell is said as such, never settled by the order of the rates.
// Pure logic, no windows.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

// What a listen at one rate heard.
struct RateHeard {
    bool wholeFrames;        // the frames measured gave one payload length
    uint32_t libraryFrames;  // frames that were exactly the library's encoding
    uint32_t reads;          // reads after which the driver was asked for errors
    uint32_t framingReads;   // of those, the reads with a framing error
};

enum class RateChoiceKind {
    Chosen,         // best is the device's rate
    Tie,            // best and other both give whole frames alike: try each
    Unsure,         // best (and other, if not best) give bare frames only, nothing tells the rate
    NoWholeFrames,  // no rate gives whole frames
};

struct RateChoice {
    RateChoiceKind kind;
    size_t best;   // an index into the rates heard; for NoWholeFrames none
    size_t other;  // for Tie and Unsure, a second rate alike, else best
};

// Chooses among the rates heard (a rate and its near neighbours).
RateChoice ChooseNearRate(const std::vector<RateHeard>& heard);

// Whether b's frames are clearly fewer than a's, by more than chance and
// timing make between two listens of equal length.
bool ClearlyMoreFrames(uint32_t a, uint32_t b);
