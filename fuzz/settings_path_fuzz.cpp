// The settings file path built from random module paths in a buffer of the
// platform's 260 characters, terminated or not: the result never leaves its
// 260-character buffer, and it is the module's folder (everything up to the
// last '\' or '/' after the first character) joined with the file name, or a
// refusal, leaving the path empty, when that name would not fit whole.
#include <string.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "settings/settings_path.h"

namespace {

size_t ExpectedDirectoryLength(const std::string& path)
{
    for (size_t position = path.size(); position-- > 1;) {
        if (path[position] == '\\' || path[position] == '/')
            return position + 1;
    }
    return path.empty() ? 0 : 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    // Paths are mostly made of separators and a few letters, so that folders
    // of every depth and length turn up.
    const bool terminated = provider.ConsumeIntegralInRange(0, 7) != 0;
    const size_t length = provider.ConsumeIntegralInRange<size_t>(0, PATH_BESIDE_CAPACITY - 1);
    std::vector<char> modulePath(PATH_BESIDE_CAPACITY, 'x');
    for (size_t i = 0; i < length && provider.remaining_bytes() > 0; ++i) {
        static const char alphabet[] = {'\\', '/', 'C', ':', '.', 'a', 'x', '\0'};
        const uint8_t pick = provider.ConsumeIntegral<uint8_t>();
        modulePath[i] = pick < 192 ? alphabet[pick % 7] : (char)pick;
    }
    if (terminated)
        modulePath[length] = '\0';

    std::vector<char> path(PATH_BESIDE_CAPACITY, '#');
    const ResultCode result = PathBeside(modulePath.data(), SETTINGS_FILE_NAME, path.data());

    const void* end = memchr(modulePath.data(), 0, PATH_BESIDE_CAPACITY);
    if (end == NULL) {
        FUZZ_REQUIRE(result == E_INVALIDARG);
        return 0;
    }
    const std::string module(modulePath.data());
    const size_t directoryLength = ExpectedDirectoryLength(module);
    FUZZ_REQUIRE(DirectoryPartLength(module.c_str(), module.size()) == directoryLength);

    const std::string expected = module.substr(0, directoryLength) + SETTINGS_FILE_NAME;
    FUZZ_REQUIRE(memchr(path.data(), 0, PATH_BESIDE_CAPACITY) != NULL);
    if (expected.size() <= PATH_BESIDE_CAPACITY - 1) {
        FUZZ_REQUIRE(result == RESULT_OK);
        FUZZ_REQUIRE(expected == path.data());
    } else {
        // A shortened name could be another file in that folder: refused.
        FUZZ_REQUIRE(result == RESULT_INSUFFICIENT_BUFFER);
        FUZZ_REQUIRE(path[0] == '\0');
    }
    return 0;
}
