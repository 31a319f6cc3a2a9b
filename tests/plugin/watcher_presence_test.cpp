// Whether the plug-in takes a watcher for there, from the word the watcher
// writes and the plug-in's own clock, and the names each copy's area gets.
#include "plugin/watcher_presence.h"

#include <gtest/gtest.h>

#include <string>

#include "plugin/host_activity_area.h"

namespace {

TEST(WatcherPresence, AFreshWordCountsAStaleOneNeverAgainUntilItChanges)
{
    static const struct {
        const char* what;
        uint32_t word;
        uint32_t now;
        bool there;
    } CASES[] = {
        {"never watched", 0, 5000, false},
        {"just written", 5000, 5000, true},
        {"two seconds old", 3000, 5000, true},
        {"older", 2999, 5000, false},
        {"written after the clock was read", 5400, 5000, true},
        {"far ahead: no clock of this machine", 9000, 5000, false},
        {"across the wrap-around", 0xFFFFFF00u, 0x100, true},
        {"stale across the wrap-around", 0xFFFFF000u, 0x1000, false},
    };
    for (const auto& c : CASES) {
        WatcherPresence presence;
        EXPECT_EQ(c.there, presence.There(c.word, c.now)) << c.what;
        // Once found stale, the same word needs no clock to be refused.
        EXPECT_EQ(c.there, presence.MayBeThere(c.word)) << c.what;
    }
    WatcherPresence presence;
    EXPECT_FALSE(presence.There(1000, 9000));
    EXPECT_TRUE(presence.MayBeThere(8500)) << "a watcher wrote again";
    EXPECT_TRUE(presence.There(8500, 9000));
    EXPECT_EQ(1u, WatcherStamp(999)) << "never 0";
    EXPECT_EQ(0xFFFFFFFFu, WatcherStamp(0xFFFFFFFFull * 1000 + 999));
    EXPECT_EQ(1u, WatcherStamp(0x100000000ull * 1000)) << "the low 32 bits, never 0";
}

TEST(HostActivityArea, EachCopyHasItsOwnNameAndWriterMark)
{
    static const struct {
        uint32_t copy;
        size_t capacity;
        const char* area;  // nullptr: refused
        const char* writer;
    } CASES[] = {
        {1, HOST_ACTIVITY_NAME_CAPACITY, "Local\\ArdunParser.HostActivity.4294967295",
         "Local\\ArdunParser.HostActivity.4294967295.writer"},
        {2, HOST_ACTIVITY_NAME_CAPACITY, "Local\\ArdunParser.HostActivity.4294967295.2",
         "Local\\ArdunParser.HostActivity.4294967295.2.writer"},
        {HOST_ACTIVITY_MAX_COPIES, HOST_ACTIVITY_NAME_CAPACITY,
         "Local\\ArdunParser.HostActivity.4294967295.8",
         "Local\\ArdunParser.HostActivity.4294967295.8.writer"},
        {0, HOST_ACTIVITY_NAME_CAPACITY, nullptr, nullptr},
        {HOST_ACTIVITY_MAX_COPIES + 1, HOST_ACTIVITY_NAME_CAPACITY, nullptr, nullptr},
        {1, 42, "Local\\ArdunParser.HostActivity.4294967295", nullptr},
    };
    for (const auto& c : CASES) {
        char name[HOST_ACTIVITY_NAME_CAPACITY] = "junk";
        EXPECT_EQ(c.area != nullptr, FormatHostActivityAreaName(name, c.capacity, 0xFFFFFFFFu, c.copy));
        EXPECT_EQ(std::string(c.area != nullptr ? c.area : ""), name) << c.copy;
        EXPECT_EQ(c.writer != nullptr, FormatHostActivityWriterName(name, c.capacity, 0xFFFFFFFFu, c.copy));
        EXPECT_EQ(std::string(c.writer != nullptr ? c.writer : ""), name) << c.copy;
    }
}

}  // namespace
