// The "host activity" area: a block of memory the plug-in shares with
// ardun-trace --watch, which tells what the host asks of the component. A
// header names the host, then a ring of fixed-size records follows, one per
// host call. A 32-bit host writes it and a 64-bit watcher may read it, so
// every field has a fixed width and sits at its natural alignment; padding is
// spelled out and the asserts below pin every offset. Pure logic, no
// windows.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

// "ARDH" in memory order: the first bytes of every area.
const uint32_t HOST_ACTIVITY_MAGIC = 0x48445241u;
// Raised whenever a field moves, grows or changes meaning.
const uint32_t HOST_ACTIVITY_LAYOUT_VERSION = 2;
// Records in the plug-in's ring: a power of two, about two seconds of the
// busiest host's calls, so a watcher that polls ten times a second keeps up.
const uint32_t HOST_ACTIVITY_RECORD_COUNT = 1024;
// Bytes of a request kept in its record; the rest are only counted.
const uint32_t HOST_ACTIVITY_KEPT_BYTES = 64;
const uint32_t HOST_ACTIVITY_PATH_CHARS = 40;
const uint32_t HOST_ACTIVITY_VERSION_CHARS = 16;
const uint32_t HOST_ACTIVITY_PROGRAM_CHARS = 260;
const uint32_t HOST_ACTIVITY_TIMEOUT_COUNT = 5;

// What a record tells; stored as a uint32_t, 0 is never a kind.
enum HostActivityKind : uint32_t {
    HOST_ACTIVITY_OPEN = 1,
    HOST_ACTIVITY_CLOSE = 2,
    HOST_ACTIVITY_SET_TIMEOUTS = 3,
    HOST_ACTIVITY_PURGE_INPUT = 4,
    HOST_ACTIVITY_PURGE_OUTPUT = 5,
    HOST_ACTIVITY_WRITE = 6,
    HOST_ACTIVITY_READ = 7,
    HOST_ACTIVITY_PORT_LOST = 8,
    HOST_ACTIVITY_PORT_BACK = 9,
};
const uint32_t HOST_ACTIVITY_LAST_KIND = HOST_ACTIVITY_PORT_BACK;

struct HostActivityHeader {
    uint32_t magic;
    uint32_t layoutVersion;
    uint32_t headerSize;    // sizeof(HostActivityHeader): the records start here
    uint32_t recordSize;    // sizeof(HostActivityRecord)
    uint32_t recordCount;   // a power of two
    uint32_t nextSequence;  // the sequence the writer's next record gets; stored last
    uint32_t hostProcessId;
    uint32_t portOpen;  // 1 after an Open that succeeded, 0 after a Close
    char pluginVersion[HOST_ACTIVITY_VERSION_CHARS];
    char hostProgram[HOST_ACTIVITY_PROGRAM_CHARS];
    // The only field a watcher writes: its performance counter in
    // milliseconds (the low 32 bits, never 0) each time it says it is still
    // there; 0 while none ever was. The plug-in trusts it for one choice
    // only: whether to spend a status call and a clock reading on a request.
    uint32_t watcherMilliseconds;
};

// One host call. Record sequence s sits at index s modulo recordCount; its
// sequence is stored before the other fields and again after them, so a
// reader that finds the two different caught the writer in the middle.
struct HostActivityRecord {
    uint32_t sequenceBegin;
    uint32_t kind;
    uint64_t timeMicroseconds;                       // from the performance counter, as the tools read it
    int32_t result;                                  // what the call returned to the host
    uint32_t baudRate;                               // Open
    char portPath[HOST_ACTIVITY_PATH_CHARS];         // Open
    uint32_t timeouts[HOST_ACTIVITY_TIMEOUT_COUNT];  // SetTimeouts, in COMMTIMEOUTS order
    uint32_t requested;                              // Write, Read: the N the host asked for
    uint32_t stored;                                 // bytes stored in the host's buffer (Write: written)
    uint32_t skipped;                                // Read: bytes passed over before the frame start
    uint32_t durationMicroseconds;                   // how long the call took
    uint32_t inputQueue;                             // bytes waiting in the port's input queue when it began
    uint32_t byteCount;                              // bytes the request read (or wrote), all of them
    uint8_t bytes[HOST_ACTIVITY_KEPT_BYTES];         // the first of them
    uint32_t lineErrors;                             // Write, Read: the port's CE_ flags when it began
    uint32_t reserved[3];
    uint32_t sequenceEnd;
};

// Of a record's byteCount, the bytes its array holds, whatever the count says.
inline uint32_t HostActivityKeptBytes(const HostActivityRecord& record)
{
    return record.byteCount < HOST_ACTIVITY_KEPT_BYTES ? record.byteCount : HOST_ACTIVITY_KEPT_BYTES;
}

// The size of an area of recordCount records.
constexpr size_t HostActivityAreaSize(uint32_t recordCount)
{
    return sizeof(HostActivityHeader) + (size_t)recordCount * sizeof(HostActivityRecord);
}

static_assert(offsetof(HostActivityHeader, magic) == 0, "shared layout");
static_assert(offsetof(HostActivityHeader, layoutVersion) == 4, "shared layout");
static_assert(offsetof(HostActivityHeader, headerSize) == 8, "shared layout");
static_assert(offsetof(HostActivityHeader, recordSize) == 12, "shared layout");
static_assert(offsetof(HostActivityHeader, recordCount) == 16, "shared layout");
static_assert(offsetof(HostActivityHeader, nextSequence) == 20, "shared layout");
static_assert(offsetof(HostActivityHeader, hostProcessId) == 24, "shared layout");
static_assert(offsetof(HostActivityHeader, portOpen) == 28, "shared layout");
static_assert(offsetof(HostActivityHeader, pluginVersion) == 32, "shared layout");
static_assert(offsetof(HostActivityHeader, hostProgram) == 48, "shared layout");
static_assert(offsetof(HostActivityHeader, watcherMilliseconds) == 308, "shared layout");
static_assert(sizeof(HostActivityHeader) == 312, "shared layout");

static_assert(offsetof(HostActivityRecord, sequenceBegin) == 0, "shared layout");
static_assert(offsetof(HostActivityRecord, kind) == 4, "shared layout");
static_assert(offsetof(HostActivityRecord, timeMicroseconds) == 8, "shared layout");
static_assert(offsetof(HostActivityRecord, result) == 16, "shared layout");
static_assert(offsetof(HostActivityRecord, baudRate) == 20, "shared layout");
static_assert(offsetof(HostActivityRecord, portPath) == 24, "shared layout");
static_assert(offsetof(HostActivityRecord, timeouts) == 64, "shared layout");
static_assert(offsetof(HostActivityRecord, requested) == 84, "shared layout");
static_assert(offsetof(HostActivityRecord, stored) == 88, "shared layout");
static_assert(offsetof(HostActivityRecord, skipped) == 92, "shared layout");
static_assert(offsetof(HostActivityRecord, durationMicroseconds) == 96, "shared layout");
static_assert(offsetof(HostActivityRecord, inputQueue) == 100, "shared layout");
static_assert(offsetof(HostActivityRecord, byteCount) == 104, "shared layout");
static_assert(offsetof(HostActivityRecord, bytes) == 108, "shared layout");
static_assert(offsetof(HostActivityRecord, lineErrors) == 172, "shared layout");
static_assert(offsetof(HostActivityRecord, reserved) == 176, "shared layout");
static_assert(offsetof(HostActivityRecord, sequenceEnd) == 188, "shared layout");
static_assert(sizeof(HostActivityRecord) == 192, "shared layout");
static_assert(sizeof(HostActivityHeader) % 8 == 0, "records start 8-byte aligned");
static_assert((HOST_ACTIVITY_RECORD_COUNT & (HOST_ACTIVITY_RECORD_COUNT - 1)) == 0, "a power of two");
