// The four bounded text operations with random texts and capacities,
// including the refused ones (0 and above 0x7FFFFFFF). Every destination is a
// heap block of exactly its capacity, so AddressSanitizer sees a write past
// it; each result is checked against what the operation promises.
#include <stdio.h>
#include <string.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "common/bounded_text.h"
#include "fuzz/fuzz_check.h"

namespace {

const uint8_t UNTOUCHED = 0xA5;

// A capacity the operations must refuse, with the size of the block actually
// behind the pointer (the operation must not touch it at all).
size_t RefusedCapacity(FuzzedDataProvider& provider)
{
    static const size_t refused[] = {0, (size_t)BOUNDED_TEXT_MAX + 1, (size_t)0xFFFFFFFFu,
                                     (size_t)-1};
    return provider.PickValueInArray(refused);
}

bool AllUntouched(const std::vector<uint8_t>& block)
{
    for (uint8_t byte : block)
        if (byte != UNTOUCHED)
            return false;
    return true;
}

// The destination holds expected (cut to capacity - 1) and a NUL after it.
void RequireText(const std::vector<uint8_t>& block, size_t capacity, const std::string& expected)
{
    const size_t kept = expected.size() < capacity - 1 ? expected.size() : capacity - 1;
    FUZZ_REQUIRE(memcmp(block.data(), expected.data(), kept) == 0);
    FUZZ_REQUIRE(block[kept] == 0);
}

void FuzzCopy(FuzzedDataProvider& provider, size_t capacity, bool refused)
{
    const std::string source = provider.ConsumeRandomLengthString(200);
    const std::string text(source.c_str());  // up to the first NUL
    std::vector<uint8_t> block(refused ? 8 : capacity, UNTOUCHED);
    const ResultCode result = BoundedCopy((char*)block.data(), capacity, source.c_str());
    if (refused) {
        FUZZ_REQUIRE(result == E_INVALIDARG && AllUntouched(block));
        return;
    }
    FUZZ_REQUIRE(result == (text.size() <= capacity - 1 ? RESULT_OK : RESULT_INSUFFICIENT_BUFFER));
    RequireText(block, capacity, text);
}

void FuzzAppend(FuzzedDataProvider& provider, size_t capacity, bool refused)
{
    std::vector<uint8_t> block(refused ? 8 : capacity, UNTOUCHED);
    if (!refused) {
        // Random content, with or without a NUL somewhere.
        const std::vector<uint8_t> start = provider.ConsumeBytes<uint8_t>(capacity);
        if (!start.empty())
            memcpy(block.data(), start.data(), start.size());
    }
    const std::string source = provider.ConsumeRandomLengthString(200);
    const std::string text(source.c_str());
    const std::vector<uint8_t> before = block;
    const ResultCode result = BoundedAppend((char*)block.data(), capacity, source.c_str());
    if (refused) {
        FUZZ_REQUIRE(result == E_INVALIDARG && AllUntouched(block));
        return;
    }
    const void* end = memchr(before.data(), 0, capacity);
    if (end == NULL) {
        FUZZ_REQUIRE(result == E_INVALIDARG && block == before);
        return;
    }
    const std::string existing((const char*)before.data());
    FUZZ_REQUIRE(result ==
                 (existing.size() + text.size() <= capacity - 1 ? RESULT_OK : RESULT_INSUFFICIENT_BUFFER));
    RequireText(block, capacity, existing + text);
}

void FuzzPrintf(FuzzedDataProvider& provider, size_t capacity, bool refused)
{
    const int number = provider.ConsumeIntegral<int>();
    const char character = (char)provider.ConsumeIntegral<uint8_t>();
    const std::string text = provider.ConsumeRandomLengthString(200);
    std::vector<uint8_t> block(refused ? 8 : capacity, UNTOUCHED);
    ResultCode result = 0;
    char full[512];
    int fullLength = 0;
    // Formats as the module uses them: texts, numbers, one character.
    switch (provider.ConsumeIntegralInRange(0, 3)) {
    case 0:
        result = BoundedPrintf((char*)block.data(), capacity, "%s", text.c_str());
        fullLength = snprintf(full, sizeof full, "%s", text.c_str());
        break;
    case 1:
        result = BoundedPrintf((char*)block.data(), capacity, "Could not open %s", text.c_str());
        fullLength = snprintf(full, sizeof full, "Could not open %s", text.c_str());
        break;
    case 2:
        result = BoundedPrintf((char*)block.data(), capacity, "\\\\.\\COM%i", number);
        fullLength = snprintf(full, sizeof full, "\\\\.\\COM%i", number);
        break;
    default:
        result = BoundedPrintf((char*)block.data(), capacity, "%04X: %c%s", (unsigned)number,
                               character, text.c_str());
        fullLength = snprintf(full, sizeof full, "%04X: %c%s", (unsigned)number, character,
                              text.c_str());
        break;
    }
    if (refused) {
        FUZZ_REQUIRE(result == E_INVALIDARG && AllUntouched(block));
        return;
    }
    FUZZ_REQUIRE(fullLength >= 0 && (size_t)fullLength < sizeof full);
    FUZZ_REQUIRE(result == ((size_t)fullLength <= capacity - 1 ? RESULT_OK : RESULT_INSUFFICIENT_BUFFER));
    // The output may hold a NUL of its own (the %c): compare bytes, not texts.
    RequireText(block, capacity, std::string(full, (size_t)fullLength));
}

void FuzzLength(FuzzedDataProvider& provider, size_t maximum, bool refused)
{
    std::vector<uint8_t> block(refused ? 8 : maximum, UNTOUCHED);
    if (!refused) {
        const std::vector<uint8_t> bytes = provider.ConsumeBytes<uint8_t>(maximum);
        if (!bytes.empty())
            memcpy(block.data(), bytes.data(), bytes.size());
    }
    const bool wantLength = provider.ConsumeBool();
    size_t length = 12345;
    const ResultCode result =
        BoundedLength((const char*)block.data(), maximum, wantLength ? &length : NULL);
    if (refused) {
        FUZZ_REQUIRE(result == E_INVALIDARG);
        FUZZ_REQUIRE(!wantLength || length == 0);
        return;
    }
    const void* end = memchr(block.data(), 0, maximum);
    FUZZ_REQUIRE(result == (end ? RESULT_OK : E_INVALIDARG));
    if (wantLength)
        FUZZ_REQUIRE(length == (end ? (size_t)((const uint8_t*)end - block.data()) : 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    const int operation = provider.ConsumeIntegralInRange(0, 3);
    const bool refused = provider.ConsumeIntegralInRange(0, 15) == 0;
    const size_t capacity = refused ? RefusedCapacity(provider) : provider.ConsumeIntegralInRange<size_t>(1, 300);
    switch (operation) {
    case 0:
        FuzzCopy(provider, capacity, refused);
        break;
    case 1:
        FuzzAppend(provider, capacity, refused);
        break;
    case 2:
        FuzzPrintf(provider, capacity, refused);
        break;
    default:
        FuzzLength(provider, capacity, refused);
        break;
    }
    return 0;
}
