// Whether a watcher is there: ardun-trace --watch writes its clock into the
// area's watcherMilliseconds while it watches, and the plug-in spends a
// status call and clock readings on each request only while that word is
// fresh. The word is written by another process and may hold anything: it
// decides that one choice and nothing else. Pure logic, no windows.h.
#pragma once

#include <stdint.h>

// How long a watcher's word counts after it was written; the watch writes it
// ten times a second.
const uint32_t WATCHER_FRESH_MILLISECONDS = 2000;

// The word a watcher writes for a performance-counter reading in
// microseconds: the low 32 bits of the milliseconds, never 0 (0 says that
// no watcher ever was there).
uint32_t WatcherStamp(uint64_t microseconds);

class WatcherPresence {
public:
    // Without a clock: false when the word says no watcher can be there (0,
    // or the word already found stale), true when the clock must decide.
    bool MayBeThere(uint32_t word) const { return word != 0 && word != staleWord; }
    // With the clock, as WatcherStamp of now: true while the word is at most
    // WATCHER_FRESH_MILLISECONDS old (or a little ahead, the watcher having
    // written it after now was read); a stale word is remembered, so that
    // the requests after it need no clock until a watcher writes again.
    bool There(uint32_t word, uint32_t nowStamp);

private:
    uint32_t staleWord = 0;
};
