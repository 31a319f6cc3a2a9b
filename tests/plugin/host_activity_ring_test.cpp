// The host activity ring between a writer and a reader over one block, as the
// plug-in and ardun-trace --watch share it: every kind of record, a writer
// that stops in the middle of a record, a reader left behind, and headers
// no writer makes.
#include "plugin/host_activity_ring.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

const HostActivityHost HOST = {4242, "C:\\Movra\\movra.exe", "1.0.0"};

// An 8-byte aligned block for recordCount records, filled with junk, as a
// mapping made before may be.
struct Area {
    explicit Area(uint32_t recordCount)
        : words(HostActivityAreaSize(recordCount) / 8, 0xA5A5A5A5A5A5A5A5ull),
          size(HostActivityAreaSize(recordCount))
    {
    }
    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(words.data()); }
    HostActivityHeader& Header() { return *reinterpret_cast<HostActivityHeader*>(Bytes()); }
    HostActivityRecord& Slot(uint32_t sequence)
    {
        HostActivityRecord* ring = reinterpret_cast<HostActivityRecord*>(Bytes() +
                                                                         sizeof(HostActivityHeader));
        return ring[sequence & (Header().recordCount - 1)];
    }
    std::vector<uint64_t> words;
    size_t size;
};

HostActivityRequest RequestNumbered(uint32_t n)
{
    return {n, n + 1, n + 2, n + 3, n + 4, n + 5};
}

TEST(HostActivityRing, EveryKindComesOutAsItWentIn)
{
    Area area(16);
    HostActivityWriter writer;
    ASSERT_TRUE(writer.Start(area.Bytes(), area.size, 16, HOST));
    const uint32_t timeouts[5] = {1, 2, 300, 4, 5};
    std::vector<uint8_t> read(100);
    for (size_t i = 0; i < read.size(); ++i)
        read[i] = (uint8_t)(i * 7);
    const std::string longPath(100, 'P');

    writer.Open(10, 0, "\\\\.\\COM10", 115200);
    writer.SetTimeouts(11, 0, timeouts);
    writer.Purge(HOST_ACTIVITY_PURGE_INPUT, 12, 0);
    writer.Purge(HOST_ACTIVITY_PURGE_OUTPUT, 13, 0);
    writer.Request(HOST_ACTIVITY_WRITE, 14, 0, RequestNumbered(1), read.data(), 3);
    writer.Request(HOST_ACTIVITY_READ, 15, (int32_t)0x800705B4u, RequestNumbered(16), read.data(), 100);
    writer.PortLost(16);
    writer.PortBack(17);
    writer.Close(18, 0);
    writer.Open(19, (int32_t)0x80070002u, longPath.c_str(), 9600);

    HostActivityReader reader(area.Bytes(), area.size);
    ASSERT_EQ(HostActivityAreaCheck::Valid, reader.Check());
    HostActivityHeader header;
    ASSERT_TRUE(reader.ReadHeader(&header));
    EXPECT_EQ(4242u, header.hostProcessId);
    EXPECT_STREQ("C:\\Movra\\movra.exe", header.hostProgram);
    EXPECT_STREQ("1.0.0", header.pluginVersion);
    EXPECT_EQ(0u, header.portOpen);  // closed, and the open after it failed

    HostActivityRecord records[16];
    const HostActivityBatch batch = reader.Read(records, 16);
    ASSERT_EQ(10u, batch.whole);
    EXPECT_EQ(0u, batch.torn + batch.missed);
    static const uint32_t KINDS[] = {HOST_ACTIVITY_OPEN,        HOST_ACTIVITY_SET_TIMEOUTS,
                                     HOST_ACTIVITY_PURGE_INPUT, HOST_ACTIVITY_PURGE_OUTPUT,
                                     HOST_ACTIVITY_WRITE,       HOST_ACTIVITY_READ,
                                     HOST_ACTIVITY_PORT_LOST,   HOST_ACTIVITY_PORT_BACK,
                                     HOST_ACTIVITY_CLOSE,       HOST_ACTIVITY_OPEN};
    for (uint32_t i = 0; i < 10; ++i) {
        EXPECT_EQ(KINDS[i], records[i].kind) << i;
        EXPECT_EQ(10u + i, records[i].timeMicroseconds) << i;
        EXPECT_EQ(i + 1, records[i].sequenceBegin) << i;
    }
    EXPECT_STREQ("\\\\.\\COM10", records[0].portPath);
    EXPECT_EQ(115200u, records[0].baudRate);
    EXPECT_EQ(0, memcmp(timeouts, records[1].timeouts, sizeof timeouts));
    const HostActivityRecord& write = records[4];
    EXPECT_EQ(3u, write.byteCount);
    EXPECT_EQ(0, memcmp(read.data(), write.bytes, 3));
    const HostActivityRecord& request = records[5];
    EXPECT_EQ((int32_t)0x800705B4u, request.result);
    EXPECT_EQ(16u, request.requested);
    EXPECT_EQ(17u, request.stored);
    EXPECT_EQ(18u, request.skipped);
    EXPECT_EQ(19u, request.durationMicroseconds);
    EXPECT_EQ(20u, request.inputQueue);
    EXPECT_EQ(21u, request.lineErrors);
    EXPECT_EQ(100u, request.byteCount);  // all counted, the first 64 kept
    EXPECT_EQ(64u, HostActivityKeptBytes(request));
    EXPECT_EQ(0, memcmp(read.data(), request.bytes, 64));
    EXPECT_EQ(longPath.substr(0, HOST_ACTIVITY_PATH_CHARS - 1), records[9].portPath);
    EXPECT_EQ(9600u, records[9].baudRate);

    EXPECT_EQ(0u, reader.Read(records, 16).whole);  // nothing new
    writer.Open(20, 0, "\\\\.\\COM5", 9600);
    ASSERT_TRUE(reader.ReadHeader(&header));
    EXPECT_EQ(1u, header.portOpen);
    EXPECT_EQ(1u, reader.Read(records, 16).whole);
}

TEST(HostActivityRing, AWriterKilledMidRecordLeavesItTornAndTheNextWriterGoesOn)
{
    Area area(8);
    HostActivityWriter writer;
    ASSERT_TRUE(writer.Start(area.Bytes(), area.size, 8, HOST));
    for (uint64_t t = 0; t < 11; ++t)  // round the ring once, so the slot holds an older record
        writer.PortLost(t);
    HostActivityReader reader(area.Bytes(), area.size);
    HostActivityRecord records[8];
    EXPECT_EQ(8u, reader.Read(records, 8).whole);

    // The host dies after the record's first sequence and some of its fields.
    const uint32_t dying = area.Header().nextSequence;
    area.Slot(dying).sequenceBegin = dying;
    area.Slot(dying).kind = HOST_ACTIVITY_READ;
    EXPECT_EQ(0u, reader.Read(records, 8).whole);  // not yet counted by the header

    HostActivityWriter next;  // the module loaded again into the same host
    ASSERT_TRUE(next.Start(area.Bytes(), area.size, 8, HOST));
    next.Close(99, 0);
    const HostActivityBatch batch = reader.Read(records, 8);
    EXPECT_EQ(1u, batch.torn);
    EXPECT_EQ(0u, batch.missed);
    ASSERT_EQ(1u, batch.whole);
    EXPECT_EQ((uint32_t)HOST_ACTIVITY_CLOSE, records[0].kind);
    EXPECT_EQ(dying + 1, records[0].sequenceBegin);
}

TEST(HostActivityRing, AReaderLeftBehindIsToldWhatItMissedAndReadsTheRestWhole)
{
    Area area(8);
    HostActivityWriter writer;
    ASSERT_TRUE(writer.Start(area.Bytes(), area.size, 8, HOST));
    HostActivityReader reader(area.Bytes(), area.size);
    HostActivityRecord records[8];
    writer.PortLost(0);
    EXPECT_EQ(1u, reader.Read(records, 8).whole);

    for (uint64_t t = 1; t <= 20; ++t)
        writer.Close(t, 0);
    HostActivityBatch batch = reader.Read(records, 3);  // fewer than are waiting
    EXPECT_EQ(12u, batch.missed);
    ASSERT_EQ(3u, batch.whole);
    EXPECT_EQ(13u, records[0].timeMicroseconds);
    batch = reader.Read(records, 8);
    EXPECT_EQ(0u, batch.missed + batch.torn);
    ASSERT_EQ(5u, batch.whole);
    EXPECT_EQ(20u, records[4].timeMicroseconds);
}

TEST(HostActivityRing, HeadersNoWriterMakesAreRefused)
{
    static const struct {
        const char* what;
        size_t field;  // offset of the 32-bit field changed
        uint32_t value;
        size_t blockSize;
        HostActivityAreaCheck expected;
    } CASES[] = {
        {"block smaller than a header", 0, HOST_ACTIVITY_MAGIC, sizeof(HostActivityHeader) - 1,
         HostActivityAreaCheck::Unusable},
        {"no magic", offsetof(HostActivityHeader, magic), 0x48445242, 0, HostActivityAreaCheck::NotAnArea},
        {"a later layout", offsetof(HostActivityHeader, layoutVersion), HOST_ACTIVITY_LAYOUT_VERSION + 1, 0,
         HostActivityAreaCheck::OtherVersion},
        {"header size", offsetof(HostActivityHeader, headerSize), 0xFFFFFFFF, 0,
         HostActivityAreaCheck::WrongSizes},
        {"record size", offsetof(HostActivityHeader, recordSize), 8, 0, HostActivityAreaCheck::WrongSizes},
        {"no records", offsetof(HostActivityHeader, recordCount), 0, 0,
         HostActivityAreaCheck::WrongRecordCount},
        {"not a power of two", offsetof(HostActivityHeader, recordCount), 6, 0,
         HostActivityAreaCheck::WrongRecordCount},
        {"more records than the block", offsetof(HostActivityHeader, recordCount), 16, 0,
         HostActivityAreaCheck::WrongRecordCount},
        {"the last record cut", 0, HOST_ACTIVITY_MAGIC, HostActivityAreaSize(8) - 1,
         HostActivityAreaCheck::WrongRecordCount},
    };
    for (const auto& c : CASES) {
        Area area(8);
        HostActivityWriter writer;
        ASSERT_TRUE(writer.Start(area.Bytes(), area.size, 8, HOST));
        writer.PortLost(1);
        memcpy(area.Bytes() + c.field, &c.value, sizeof c.value);
        HostActivityReader reader(area.Bytes(), c.blockSize != 0 ? c.blockSize : area.size);
        EXPECT_EQ(c.expected, reader.Check()) << c.what;
        HostActivityRecord record;
        HostActivityHeader header;
        EXPECT_EQ(0u, reader.Read(&record, 1).whole) << c.what;
        EXPECT_FALSE(reader.ReadHeader(&header)) << c.what;
    }

    // Valid once, then made to claim more records than the block holds.
    Area area(8);
    HostActivityWriter writer;
    ASSERT_TRUE(writer.Start(area.Bytes(), area.size, 8, HOST));
    HostActivityReader reader(area.Bytes(), area.size);
    area.Header().recordCount = 1024;
    writer.PortLost(1);
    HostActivityRecord record;
    EXPECT_EQ(0u, reader.Read(&record, 1).whole);
    EXPECT_EQ(HostActivityAreaCheck::Changed, reader.Check());
}

TEST(HostActivityRing, TimesThatGoBackAndCountsThatGoBackAreBoundedAndCounted)
{
    static const struct {
        const char* what;
        uint64_t times[4];
        uint64_t latest;
        uint64_t handedOut[4];
        uint32_t misdated;
    } CASES[] = {
        {"in order", {10, 20, 20, 30}, UINT64_MAX, {10, 20, 20, 30}, 0},
        {"one goes back", {10, 20, 5, 30}, UINT64_MAX, {10, 20, 20, 30}, 1},
        {"past the reader's clock", {10, UINT64_MAX, 20, 30}, 100, {10, 100, 100, 100}, 3},
        {"all past it", {200, 300, 400, 500}, 100, {100, 100, 100, 100}, 4},
    };
    for (const auto& c : CASES) {
        Area area(8);
        HostActivityWriter writer;
        ASSERT_TRUE(writer.Start(area.Bytes(), area.size, 8, HOST));
        for (const uint64_t time : c.times)
            writer.PortLost(time);
        HostActivityReader reader(area.Bytes(), area.size);
        HostActivityRecord records[4];
        const HostActivityBatch batch = reader.Read(records, 4, c.latest);
        ASSERT_EQ(4u, batch.whole) << c.what;
        EXPECT_EQ(c.misdated, batch.misdated) << c.what;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(c.handedOut[i], records[i].timeMicroseconds) << c.what << ", record " << i;
    }

    // A header whose count goes back: read again from the ring's oldest, and
    // said; one that leaps a quarter of the sequences ahead finds no record
    // whole and counts the leap as missed, without reading more than the ring.
    Area area(8);
    HostActivityWriter writer;
    ASSERT_TRUE(writer.Start(area.Bytes(), area.size, 8, HOST));
    for (uint64_t t = 1; t <= 3; ++t)
        writer.PortLost(t);
    HostActivityReader reader(area.Bytes(), area.size);
    HostActivityRecord records[8];
    EXPECT_EQ(3u, reader.Read(records, 8).whole);
    area.Header().nextSequence = 3;
    HostActivityBatch batch = reader.Read(records, 8);
    EXPECT_EQ(1u, batch.restarted);
    EXPECT_EQ(2u, batch.whole);
    area.Header().nextSequence += 0x40000000u;
    batch = reader.Read(records, 8);
    EXPECT_EQ(0u, batch.restarted);
    EXPECT_EQ(0u, batch.whole) << "no record of those sequences is whole";
    EXPECT_EQ(0x40000000u, batch.missed + batch.torn);
    EXPECT_STRNE("", HostActivityAreaProblem(HostActivityAreaCheck::Changed));
}

}  // namespace
