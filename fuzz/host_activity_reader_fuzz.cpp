// Arbitrary bytes as a host activity area, read as ardun-trace --watch reads
// one: the block is a heap block of exactly its size and the records are
// copied into an array of exactly the capacity given, so AddressSanitizer
// sees any access past either. Between reads the block changes under the
// reader, word by word or by a writer taking it up, as a host (or anything
// else in the session) may change it. Every record returned must be whole:
// a known kind, its texts ending within their arrays, its two sequences equal,
// its time never before the record's handed out before it nor past the
// latest time the reader was given.
#include <string.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "plugin/host_activity_ring.h"

namespace {

const uint32_t MAX_RECORDS = 32;

// Makes the block's header one a writer could have left, so that the input
// reaches the records; its count and next sequence stay the input's.
void StampHeader(uint8_t* block, size_t blockSize, FuzzedDataProvider& provider)
{
    if (blockSize < sizeof(HostActivityHeader))
        return;
    HostActivityHeader header;
    memcpy(&header, block, sizeof header);
    header.magic = HOST_ACTIVITY_MAGIC;
    header.layoutVersion = HOST_ACTIVITY_LAYOUT_VERSION;
    header.headerSize = sizeof(HostActivityHeader);
    header.recordSize = sizeof(HostActivityRecord);
    header.recordCount = 1u << provider.ConsumeIntegralInRange(0, 6);
    header.nextSequence = provider.ConsumeIntegral<uint32_t>();
    memcpy(block, &header, sizeof header);
}

void RequireWhole(const HostActivityRecord& record)
{
    FUZZ_REQUIRE(record.kind >= HOST_ACTIVITY_OPEN && record.kind <= HOST_ACTIVITY_LAST_KIND);
    FUZZ_REQUIRE(memchr(record.portPath, 0, sizeof record.portPath) != nullptr);
    FUZZ_REQUIRE(record.sequenceBegin == record.sequenceEnd);
    FUZZ_REQUIRE(HostActivityKeptBytes(record) <= sizeof record.bytes);
}

void ChangeBlock(uint8_t* block, size_t blockSize, FuzzedDataProvider& provider, HostActivityWriter& writer)
{
    if (provider.ConsumeBool()) {
        const HostActivityHost host = {provider.ConsumeIntegral<uint32_t>(), "host.exe", "1.0.0"};
        if (writer.Started() ||
            writer.Start(block, blockSize, 1u << provider.ConsumeIntegralInRange(0, 6), host)) {
            const uint8_t bytes[80] = {0xFF, 0x00};
            const HostActivityRequest request = {16, 16, 2, 1000, 4096, 0};
            for (int n = provider.ConsumeIntegralInRange(0, 70); n > 0; --n)
                writer.Request(HOST_ACTIVITY_READ, (uint64_t)n, 0, request, bytes, (uint32_t)n);
        }
        return;
    }
    if (blockSize < 4)
        return;
    const size_t word = provider.ConsumeIntegralInRange<size_t>(0, blockSize / 4 - 1);
    const uint32_t value = provider.ConsumeIntegral<uint32_t>();
    memcpy(block + word * 4, &value, sizeof value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const bool stamped = provider.ConsumeBool();
    const size_t blockSize = provider.ConsumeIntegralInRange<size_t>(0,
                                                                     HostActivityAreaSize(MAX_RECORDS) + 8);
    // new[] gives the 8-byte alignment a mapping has.
    std::unique_ptr<uint8_t[]> block(new uint8_t[blockSize]);
    memset(block.get(), 0, blockSize);
    const std::vector<uint8_t> contents = provider.ConsumeBytes<uint8_t>(blockSize);
    if (!contents.empty())
        memcpy(block.get(), contents.data(), contents.size());
    if (stamped)
        StampHeader(block.get(), blockSize, provider);

    HostActivityReader reader(block.get(), blockSize);
    HostActivityWriter writer;
    uint64_t lastTime = 0, latest = 0;
    for (int round = 0; round < 6 && provider.remaining_bytes() > 0; ++round) {
        const size_t capacity = provider.ConsumeIntegralInRange<size_t>(0, 80);
        std::unique_ptr<HostActivityRecord[]> copies(new HostActivityRecord[capacity]);
        latest += provider.ConsumeIntegralInRange<uint64_t>(0, 100);  // the watch's clock
        const HostActivityBatch batch = reader.Read(copies.get(), capacity, latest);
        FUZZ_REQUIRE(batch.whole <= capacity);
        FUZZ_REQUIRE(batch.whole == 0 || reader.Check() == HostActivityAreaCheck::Valid);
        FUZZ_REQUIRE(batch.misdated <= batch.whole && batch.restarted <= 1);
        for (uint32_t i = 0; i < batch.whole; ++i) {
            RequireWhole(copies[i]);
            FUZZ_REQUIRE(copies[i].timeMicroseconds >= lastTime && copies[i].timeMicroseconds <= latest);
            lastTime = copies[i].timeMicroseconds;
        }

        HostActivityHeader header;
        if (reader.ReadHeader(&header)) {
            FUZZ_REQUIRE(memchr(header.hostProgram, 0, sizeof header.hostProgram) != nullptr);
            FUZZ_REQUIRE(memchr(header.pluginVersion, 0, sizeof header.pluginVersion) != nullptr);
            FUZZ_REQUIRE(header.portOpen <= 1);
            FUZZ_REQUIRE(HostActivityAreaSize(header.recordCount) <= blockSize);
        }
        ChangeBlock(block.get(), blockSize, provider, writer);
    }
    return 0;
}
