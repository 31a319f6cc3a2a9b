#include "plugin/watcher_presence.h"

namespace {

// A word written after the plug-in read its clock is ahead of it by the time
// between the two; more than this is no clock of this machine's.
const uint32_t AHEAD_MILLISECONDS = 1000;

}  // namespace

uint32_t WatcherStamp(uint64_t microseconds)
{
    const uint32_t stamp = (uint32_t)(microseconds / 1000);
    return stamp != 0 ? stamp : 1;
}

bool WatcherPresence::There(uint32_t word, uint32_t nowStamp)
{
    if (!MayBeThere(word))
        return false;
    // Unsigned differences: right across the counter's wrap-around.
    if (nowStamp - word <= WATCHER_FRESH_MILLISECONDS || word - nowStamp <= AHEAD_MILLISECONDS)
        return true;
    staleWord = word;
    return false;
}
