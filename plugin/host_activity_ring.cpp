#include "plugin/host_activity_ring.h"

#include <string.h>

#include <atomic>

namespace {

// Sequence numbers and the header's words the other side polls: single
// aligned 32-bit stores and loads, which a 32-bit host makes whole. The
// fences around them order the record's fields.
void StoreShared(uint32_t* place, uint32_t value)
{
    *static_cast<volatile uint32_t*>(place) = value;
}

uint32_t LoadShared(const uint32_t* place)
{
    return *static_cast<const volatile uint32_t*>(place);
}

bool IsPowerOfTwo(uint32_t value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

bool Aligned(const void* block)
{
    return reinterpret_cast<uintptr_t>(block) % 8 == 0;
}

// Records of this layout a block of blockSize bytes holds after the header.
size_t RecordRoom(size_t blockSize)
{
    return blockSize < sizeof(HostActivityHeader)
               ? 0
               : (blockSize - sizeof(HostActivityHeader)) / sizeof(HostActivityRecord);
}

// Copies source into the whole array, cut and NUL-padded.
void CopyText(char* destination, size_t capacity, const char* source)
{
    size_t length = 0;
    if (source != nullptr)
        for (; length + 1 < capacity && source[length] != '\0'; ++length)
            destination[length] = source[length];
    memset(destination + length, 0, capacity - length);
}

// Reads the header once into copy and judges it; a block that changes while
// it is read is judged by the copy alone.
HostActivityAreaCheck Examine(const uint8_t* block, size_t blockSize, HostActivityHeader* copy)
{
    if (block == nullptr || blockSize < sizeof(HostActivityHeader) || !Aligned(block))
        return HostActivityAreaCheck::Unusable;
    memcpy(copy, block, sizeof *copy);
    if (copy->magic != HOST_ACTIVITY_MAGIC)
        return HostActivityAreaCheck::NotAnArea;
    if (copy->layoutVersion != HOST_ACTIVITY_LAYOUT_VERSION)
        return HostActivityAreaCheck::OtherVersion;
    if (copy->headerSize != sizeof(HostActivityHeader) || copy->recordSize != sizeof(HostActivityRecord))
        return HostActivityAreaCheck::WrongSizes;
    if (!IsPowerOfTwo(copy->recordCount) || copy->recordCount > RecordRoom(blockSize))
        return HostActivityAreaCheck::WrongRecordCount;
    return HostActivityAreaCheck::Valid;
}

// Makes a copied record safe to use: its text ends within its array and its
// kind is one this reader knows. False for a kind it does not know.
bool Settle(HostActivityRecord& record, uint32_t sequence)
{
    record.portPath[HOST_ACTIVITY_PATH_CHARS - 1] = '\0';
    record.sequenceBegin = record.sequenceEnd = sequence;
    return record.kind >= HOST_ACTIVITY_OPEN && record.kind <= HOST_ACTIVITY_LAST_KIND;
}

}  // namespace

bool HostActivityWriter::Start(void* block, size_t blockSize, uint32_t recordCount,
                               const HostActivityHost& host)
{
    header = nullptr;
    records = nullptr;
    if (block == nullptr || !Aligned(block) || !IsPowerOfTwo(recordCount) ||
        recordCount > RecordRoom(blockSize))
        return false;
    HostActivityHeader* area = static_cast<HostActivityHeader*>(block);
    HostActivityRecord* ring = reinterpret_cast<HostActivityRecord*>(static_cast<uint8_t*>(block) +
                                                                     sizeof(HostActivityHeader));

    // Only this copy of the plug-in writes the area (a watcher writes its one
    // word alone), so an area of this very layout was left by an earlier
    // writer of this copy here.
    const bool takenUp = area->magic == HOST_ACTIVITY_MAGIC &&
                         area->layoutVersion == HOST_ACTIVITY_LAYOUT_VERSION &&
                         area->headerSize == sizeof(HostActivityHeader) &&
                         area->recordSize == sizeof(HostActivityRecord) && area->recordCount == recordCount;
    uint32_t first = 1;  // 1, so that a zero-filled record matches no sequence
    if (takenUp) {
        first = LoadShared(&area->nextSequence);
        // A writer that stopped in the middle of a record leaves it torn for
        // readers to see, rather than half-overwritten by the next.
        if (LoadShared(&ring[first & (recordCount - 1)].sequenceBegin) == first)
            ++first;
    } else {
        // Readers judge the area by its magic: it goes first and comes last.
        StoreShared(&area->magic, 0);
        std::atomic_thread_fence(std::memory_order_release);
        memset(static_cast<uint8_t*>(block) + sizeof area->magic, 0,
               HostActivityAreaSize(recordCount) - sizeof area->magic);
        area->layoutVersion = HOST_ACTIVITY_LAYOUT_VERSION;
        area->headerSize = sizeof(HostActivityHeader);
        area->recordSize = sizeof(HostActivityRecord);
        area->recordCount = recordCount;
    }
    area->hostProcessId = host.processId;
    StoreShared(&area->portOpen, 0);
    CopyText(area->pluginVersion, sizeof area->pluginVersion, host.pluginVersion);
    CopyText(area->hostProgram, sizeof area->hostProgram, host.program);
    StoreShared(&area->nextSequence, first);
    std::atomic_thread_fence(std::memory_order_release);
    StoreShared(&area->magic, HOST_ACTIVITY_MAGIC);

    header = area;
    records = ring;
    indexMask = recordCount - 1;
    nextSequence = first;
    return true;
}

namespace {

// The fields every record has.
HostActivityRecord NewRecord(uint32_t kind, uint64_t timeMicroseconds, int32_t result)
{
    HostActivityRecord record = {};
    record.kind = kind;
    record.timeMicroseconds = timeMicroseconds;
    record.result = result;
    return record;
}

}  // namespace

void HostActivityWriter::Open(uint64_t timeMicroseconds, int32_t result, const char* portPath,
                              uint32_t baudRate)
{
    HostActivityRecord record = NewRecord(HOST_ACTIVITY_OPEN, timeMicroseconds, result);
    record.baudRate = baudRate;
    CopyText(record.portPath, sizeof record.portPath, portPath);
    if (result >= 0)
        SetPortOpen(1);
    Publish(record);
}

void HostActivityWriter::Close(uint64_t timeMicroseconds, int32_t result)
{
    HostActivityRecord record = NewRecord(HOST_ACTIVITY_CLOSE, timeMicroseconds, result);
    SetPortOpen(0);
    Publish(record);
}

void HostActivityWriter::SetTimeouts(uint64_t timeMicroseconds, int32_t result,
                                     const uint32_t (&timeouts)[HOST_ACTIVITY_TIMEOUT_COUNT])
{
    HostActivityRecord record = NewRecord(HOST_ACTIVITY_SET_TIMEOUTS, timeMicroseconds, result);
    memcpy(record.timeouts, timeouts, sizeof record.timeouts);
    Publish(record);
}

void HostActivityWriter::Purge(uint32_t kind, uint64_t timeMicroseconds, int32_t result)
{
    HostActivityRecord record = NewRecord(kind, timeMicroseconds, result);
    Publish(record);
}

void HostActivityWriter::Request(uint32_t kind, uint64_t timeMicroseconds, int32_t result,
                                 const HostActivityRequest& request, const uint8_t* bytes, uint32_t byteCount)
{
    HostActivityRecord record = NewRecord(kind, timeMicroseconds, result);
    record.requested = request.requested;
    record.stored = request.stored;
    record.skipped = request.skipped;
    record.durationMicroseconds = request.durationMicroseconds;
    record.inputQueue = request.inputQueue;
    record.lineErrors = request.lineErrors;
    record.byteCount = bytes != nullptr ? byteCount : 0;
    if (record.byteCount > 0)
        memcpy(record.bytes, bytes, HostActivityKeptBytes(record));
    Publish(record);
}

void HostActivityWriter::SetPortOpen(uint32_t open)
{
    if (Started())
        StoreShared(&header->portOpen, open);
}

void HostActivityWriter::PortLost(uint64_t timeMicroseconds)
{
    Purge(HOST_ACTIVITY_PORT_LOST, timeMicroseconds, 0);
}

void HostActivityWriter::PortBack(uint64_t timeMicroseconds)
{
    Purge(HOST_ACTIVITY_PORT_BACK, timeMicroseconds, 0);
}

uint32_t HostActivityWriter::WatcherMilliseconds() const
{
    return Started() ? LoadShared(&header->watcherMilliseconds) : 0;
}

void HostActivityWriter::Publish(HostActivityRecord& record)
{
    // An area that could not be made: the host's calls go on as before.
    if (!Started())
        return;
    const uint32_t sequence = nextSequence++;
    HostActivityRecord* slot = records + (sequence & indexMask);
    record.sequenceBegin = record.sequenceEnd = sequence;

    StoreShared(&slot->sequenceBegin, sequence);
    std::atomic_thread_fence(std::memory_order_release);  // the first sequence before any field
    memcpy(&slot->kind, &record.kind,
           offsetof(HostActivityRecord, sequenceEnd) - offsetof(HostActivityRecord, kind));
    std::atomic_thread_fence(std::memory_order_release);  // every field before the second
    StoreShared(&slot->sequenceEnd, sequence);
    std::atomic_thread_fence(std::memory_order_release);  // the whole record before the header counts it
    StoreShared(&header->nextSequence, nextSequence);
}

HostActivityReader::HostActivityReader(const void* block, size_t blockSize)
    : block(static_cast<const uint8_t*>(block)), blockSize(blockSize)
{
    HostActivityHeader copy;
    check = Examine(this->block, blockSize, &copy);
    if (check == HostActivityAreaCheck::Valid)
        recordCount = copy.recordCount;
}

bool HostActivityReader::HeaderStillValid()
{
    if (check != HostActivityAreaCheck::Valid)
        return false;
    HostActivityHeader copy;
    if (Examine(block, blockSize, &copy) != HostActivityAreaCheck::Valid || copy.recordCount != recordCount)
        check = HostActivityAreaCheck::Changed;
    return check == HostActivityAreaCheck::Valid;
}

bool HostActivityReader::ReadHeader(HostActivityHeader* copy)
{
    if (!HeaderStillValid())
        return false;
    HostActivityHeader header;
    memcpy(&header, block, sizeof header);
    // The block may have changed since it was judged: the count handed out is
    // the one this reader goes by.
    header.recordCount = recordCount;
    header.pluginVersion[HOST_ACTIVITY_VERSION_CHARS - 1] = '\0';
    header.hostProgram[HOST_ACTIVITY_PROGRAM_CHARS - 1] = '\0';
    header.portOpen = header.portOpen != 0 ? 1 : 0;
    *copy = header;
    return true;
}

HostActivityBatch HostActivityReader::Read(HostActivityRecord* copies, size_t capacity, uint64_t latestTime)
{
    HostActivityBatch batch = {0, 0, 0, 0, 0};
    if (!HeaderStillValid())
        return batch;
    const HostActivityHeader* header = reinterpret_cast<const HostActivityHeader*>(block);
    const HostActivityRecord* ring = reinterpret_cast<const HostActivityRecord*>(block +
                                                                                 sizeof(HostActivityHeader));

    const uint32_t next = LoadShared(&header->nextSequence);
    std::atomic_thread_fence(std::memory_order_acquire);  // the count before the records it counts
    // Sequences start at 1: the ring holds the last next - 1 records, at most recordCount.
    const uint32_t held = next - 1 < recordCount ? next - 1 : recordCount;
    if (!started) {
        nextToRead = next - held;
        started = true;
    }
    const uint32_t behind = next - nextToRead;
    if (behind > recordCount) {
        if (behind >= 0x80000000u) {
            // Half the sequences ahead is the count gone back: a writer
            // started the area over.
            nextToRead = next - held;
            batch.restarted = 1;
        } else {
            batch.missed = behind - recordCount;
            nextToRead = next - recordCount;
        }
    }

    for (; nextToRead != next && batch.whole < capacity; ++nextToRead) {
        const HostActivityRecord* slot = ring + (nextToRead & (recordCount - 1));
        HostActivityRecord& copy = copies[batch.whole];
        const uint32_t end = LoadShared(&slot->sequenceEnd);
        std::atomic_thread_fence(std::memory_order_acquire);  // the second sequence before the fields
        memcpy(&copy, slot, sizeof copy);
        std::atomic_thread_fence(std::memory_order_acquire);  // the fields before the first sequence
        const uint32_t begin = LoadShared(&slot->sequenceBegin);
        if (begin != end)
            ++batch.torn;
        else if (begin != nextToRead)
            ++batch.missed;  // the writer came round again while this reader looked
        else if (!Settle(copy, nextToRead))
            ++batch.torn;
        else {
            if (copy.timeMicroseconds < lastTime || copy.timeMicroseconds > latestTime) {
                copy.timeMicroseconds = copy.timeMicroseconds < lastTime ? lastTime : latestTime;
                ++batch.misdated;
            }
            // A caller whose clock went back keeps the order all the same.
            if (copy.timeMicroseconds < lastTime)
                copy.timeMicroseconds = lastTime;
            lastTime = copy.timeMicroseconds;
            ++batch.whole;
        }
    }
    return batch;
}

const char* HostActivityAreaProblem(HostActivityAreaCheck check)
{
    switch (check) {
    case HostActivityAreaCheck::Valid:
        return "";
    case HostActivityAreaCheck::Unusable:
        return "fewer readable bytes than a header (reserved but not committed, or cut short)";
    case HostActivityAreaCheck::NotAnArea:
        return "it does not begin as an activity area";
    case HostActivityAreaCheck::OtherVersion:
        return "its layout is of another version of the plug-in";
    case HostActivityAreaCheck::WrongSizes:
        return "its header's or records' size is not this layout's";
    case HostActivityAreaCheck::WrongRecordCount:
        return "its header claims a record count that is no power of two or more than its readable bytes "
               "hold";
    case HostActivityAreaCheck::Changed:
        return "its header changed under the watch into one that is not valid";
    }
    return "an unknown state";
}
