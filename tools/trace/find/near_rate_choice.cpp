#include "tools/trace/find/near_rate_choice.h"

#include <algorithm>

bool ClearlyMoreFrames(uint32_t a, uint32_t b)
{
    // At least two more, and a third more: near rates that both pass the
    // bytes differ by a frame or so where one listen began or ended.
    return a >= b + 2 && (uint64_t)a * 3 > (uint64_t)b * 4;
}

namespace {

// Whether a read with framing errors is clearly rarer at a than at b.
bool ClearlyFewerFramingErrors(const RateHeard& a, const RateHeard& b)
{
    if (a.reads == 0 || b.reads == 0)
        return false;  // not heard: no evidence
    // Two more flagged reads, and at least twice as often: one read that
    // began inside a byte is no evidence.
    return b.framingReads >= a.framingReads + 2 &&
           (uint64_t)b.framingReads * a.reads > 2 * (uint64_t)a.framingReads * b.reads;
}

}  // namespace

RateChoice ChooseNearRate(const std::vector<RateHeard>& heard)
{
    uint32_t most = 0;
    bool anyWhole = false;
    for (const RateHeard& rate : heard)
        if (rate.wholeFrames) {
            anyWhole = true;
            most = rate.libraryFrames > most ? rate.libraryFrames : most;
        }
    if (!anyWhole)
        return {RateChoiceKind::NoWholeFrames, heard.size(), heard.size()};
    // The rivals: whole frames, and library frames not clearly fewer than the most.
    const auto isRival = [&heard, most](size_t i) {
        return heard[i].wholeFrames && !ClearlyMoreFrames(most, heard[i].libraryFrames);
    };
    std::vector<size_t> rivals;
    for (size_t i = 0; i < heard.size(); ++i)
        if (isRival(i))
            rivals.push_back(i);
    // Of them, the one with framing errors in the fewest of its reads.
    const size_t best = *std::min_element(rivals.begin(), rivals.end(), [&heard](size_t a, size_t b) {
        return (uint64_t)heard[a].framingReads * heard[b].reads <
               (uint64_t)heard[b].framingReads * heard[a].reads;
    });
    // Bare frames are evidence only with framing errors beside them: against
    // every other rate heard. Library frames, against the other rivals.
    const bool bare = most == 0;
    bool clearOfAll = true;
    size_t other = best;
    for (size_t i = 0; i < heard.size(); ++i) {
        const bool rival = bare || isRival(i);
        if (i == best || !rival || ClearlyFewerFramingErrors(heard[best], heard[i]))
            continue;
        clearOfAll = false;
        if (other == best && heard[i].wholeFrames)
            other = i;
    }
    if (bare && !clearOfAll)
        return {RateChoiceKind::Unsure, best, other};
    if (bare && heard.size() == 1)
        return {RateChoiceKind::Unsure, best, best};  // no neighbour's errors to weigh against
    if (!clearOfAll && other != best)
        return {RateChoiceKind::Tie, best, other};
    return {RateChoiceKind::Chosen, best, best};
}
