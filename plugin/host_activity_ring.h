// Writing and reading the host activity area (host_activity_layout.h) over a
// block of memory the caller maps: the plug-in writes its host's calls, a
// watcher in another process reads them. Pure logic, no windows.h.
//
// The writer never waits for a reader and never allocates: each record is
// guarded by its two sequence numbers (a seqlock), and the header's next
// sequence is stored after the record. A reader that falls behind by more than
// the ring is told how many records it missed; one that catches the writer in
// the middle of a record (or a writer that died there) sees it torn.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "plugin/host_activity_layout.h"

// The host the area speaks for.
struct HostActivityHost {
    uint32_t processId;
    const char* program;        // cut to HOST_ACTIVITY_PROGRAM_CHARS - 1
    const char* pluginVersion;  // cut to HOST_ACTIVITY_VERSION_CHARS - 1
};

// One Write or Read call, as the component saw it.
struct HostActivityRequest {
    uint32_t requested;
    uint32_t stored;
    uint32_t skipped;
    uint32_t durationMicroseconds;
    uint32_t inputQueue;
    uint32_t lineErrors;  // the CE_ flags of the status call that gave inputQueue
};

class HostActivityWriter {
public:
    // Lays the area out over block, which must stay mapped until the writer
    // is no longer used. An area this process's plug-in laid out before (the
    // module loaded again while a watcher kept the area) is taken up where
    // its writer left off. False, with nothing written, when the block is too
    // small, not 8-byte aligned or recordCount no power of two; every append
    // is then a no-op.
    bool Start(void* block, size_t blockSize, uint32_t recordCount, const HostActivityHost& host);
    bool Started() const { return header != nullptr; }

    void Open(uint64_t timeMicroseconds, int32_t result, const char* portPath, uint32_t baudRate);
    void Close(uint64_t timeMicroseconds, int32_t result);
    void SetTimeouts(uint64_t timeMicroseconds, int32_t result,
                     const uint32_t (&timeouts)[HOST_ACTIVITY_TIMEOUT_COUNT]);
    // HOST_ACTIVITY_PURGE_INPUT or HOST_ACTIVITY_PURGE_OUTPUT.
    void Purge(uint32_t kind, uint64_t timeMicroseconds, int32_t result);
    // HOST_ACTIVITY_WRITE or HOST_ACTIVITY_READ: the request and the bytes it
    // read (or wrote); the first HOST_ACTIVITY_KEPT_BYTES are kept.
    void Request(uint32_t kind, uint64_t timeMicroseconds, int32_t result, const HostActivityRequest& request,
                 const uint8_t* bytes, uint32_t byteCount);
    void PortLost(uint64_t timeMicroseconds);
    void PortBack(uint64_t timeMicroseconds);
    // The word a watcher keeps fresh while it watches (see
    // watcher_presence.h); 0 before the writer started.
    uint32_t WatcherMilliseconds() const;

private:
    // Stores the record's sequence, its fields, the sequence again, then the
    // header's next sequence.
    void Publish(HostActivityRecord& record);
    void SetPortOpen(uint32_t open);
    HostActivityHeader* header = nullptr;
    HostActivityRecord* records = nullptr;
    uint32_t indexMask = 0;
    // The writer's own count, never read back from the area.
    uint32_t nextSequence = 0;
};

enum class HostActivityAreaCheck {
    Valid,
    Unusable,          // no block, smaller than a header, or not 8-byte aligned
    NotAnArea,         // no magic
    OtherVersion,      // a layout this reader does not know
    WrongSizes,        // header or record size not this layout's
    WrongRecordCount,  // 0, no power of two, or more records than the block holds
    Changed,           // valid once, then the header changed under the reader
};

// What is wrong with an area of that check, for a line of the watch
// ("its header's record size is not this layout's"); empty for Valid.
const char* HostActivityAreaProblem(HostActivityAreaCheck check);

// What one Read found, each record counted once.
struct HostActivityBatch {
    uint32_t whole;   // records copied out
    uint32_t torn;    // records caught mid-write (or left so by a writer that died), or of no known kind
    uint32_t missed;  // records the writer overwrote before they were read
    // Records whose time went back before the record ahead of them, or past
    // the latest time the caller allows: each is given the nearest time that
    // fits, so that the times handed out never go back.
    uint32_t misdated;
    // 1 when the header's count went back (a writer laid the area out anew,
    // or something else rewrote it): reading starts over at the ring's oldest.
    uint32_t restarted;
};

class HostActivityReader {
public:
    // Treats the block as untrusted: it may hold anything and change at any
    // time. It is never read outside [block, block + blockSize).
    HostActivityReader(const void* block, size_t blockSize);

    HostActivityAreaCheck Check() const { return check; }
    // A copy of the header, its texts NUL-terminated within their arrays.
    // False, and nothing copied, when the area is not valid.
    bool ReadHeader(HostActivityHeader* copy);
    // Copies the whole records written since the last Read, oldest first, at
    // most capacity of them (the rest wait for the next Read). A reader
    // starts at the oldest record the ring still holds. Texts come out
    // NUL-terminated within their arrays, kinds known, sequences equal, times
    // never earlier than the record's before them nor later than latestTime
    // (the caller's clock: no record can be stamped after it was read).
    HostActivityBatch Read(HostActivityRecord* copies, size_t capacity, uint64_t latestTime = UINT64_MAX);

private:
    bool HeaderStillValid();

    const uint8_t* block;
    size_t blockSize;
    HostActivityAreaCheck check;
    uint32_t recordCount = 0;
    bool started = false;
    uint32_t nextToRead = 0;
    uint64_t lastTime = 0;  // of the latest record handed out
};
