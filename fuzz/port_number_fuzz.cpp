// Splitting device paths and reading the configured port number out of a port
// setting's bytes: random paths and random 25-byte settings (terminated or not,
// as a settings file may leave them) are read only within their own bytes,
// the parts are those the separator rule gives, and a path the dialog writes
// for a port number gives that number back.
#include <limits.h>
#include <string.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <string>
#include <vector>

#include "common/bounded_text.h"
#include "fuzz/fuzz_check.h"
#include "serial/com_port_path.h"
#include "settings/port_number.h"
#include "settings/settings_path.h"

namespace {

// The last '\' or '/' at position 1 or later, or 0 when there is none.
size_t LastSeparator(const std::string& path)
{
    for (size_t position = path.size(); position-- > 1;) {
        if (path[position] == '\\' || path[position] == '/')
            return position;
    }
    return 0;
}

void FuzzSplitPath(FuzzedDataProvider& provider)
{
    const std::string raw = provider.ConsumeRandomLengthString(80);
    const std::string path(raw.c_str());
    const bool wantName = provider.ConsumeBool();
    const bool wantDirectory = provider.ConsumeBool();
    // Outputs exactly as long as the caller must make them: the path and its
    // terminator.
    std::unique_ptr<char[]> name(new char[path.size() + 1]);
    std::unique_ptr<char[]> directory(new char[path.size() + 1]);
    memset(name.get(), '#', path.size() + 1);
    memset(directory.get(), '#', path.size() + 1);

    SplitPath(path.c_str(), wantName ? name.get() : NULL, wantDirectory ? directory.get() : NULL);

    if (path.empty()) {
        FUZZ_REQUIRE(name[0] == '#' && directory[0] == '#');
        return;
    }
    const size_t separator = LastSeparator(path);
    const std::string expectedName = separator ? path.substr(separator + 1) : path;
    const std::string expectedDirectory = separator ? path.substr(0, separator + 1) : path.substr(0, 1);
    if (wantName)
        FUZZ_REQUIRE(expectedName == name.get());
    else
        FUZZ_REQUIRE(name[0] == '#');
    if (wantDirectory)
        FUZZ_REQUIRE(expectedDirectory == directory.get());
    else
        FUZZ_REQUIRE(directory[0] == '#');
}

// What atoi reads at the start of text, held within 32 bits.
int32_t ExpectedDecimal(const char* text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (value <= (long long)INT32_MAX + 1)
            value = value * 10 + (*text - '0');
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return (int32_t)value;
}

void FuzzRandomSetting(FuzzedDataProvider& provider)
{
    const std::vector<uint8_t> bytes = provider.ConsumeBytes<uint8_t>(PORT_SETTING_SIZE);
    char portSetting[PORT_SETTING_SIZE] = {};
    if (!bytes.empty())
        memcpy(portSetting, bytes.data(), bytes.size());
    const bool terminated = memchr(portSetting, 0, PORT_SETTING_SIZE) != NULL;

    const int32_t number = PortNumberInSetting(portSetting);

    // The setting is read as the text it holds within its 24 characters.
    const std::string setting(portSetting, terminated ? strlen(portSetting) : PORT_SETTING_SIZE - 1);
    if (setting.empty()) {
        FUZZ_REQUIRE(number == NO_PORT_NUMBER);
        return;
    }
    const size_t separator = LastSeparator(setting);
    const std::string name = separator ? setting.substr(separator + 1) : setting;
    if (name.empty() || (name[0] != 'C' && name[0] != 'c') || name.size() <= 3)
        FUZZ_REQUIRE(number == 0);
    else
        FUZZ_REQUIRE(number == ExpectedDecimal(name.c_str() + 3));
}

void FuzzWrittenSetting(FuzzedDataProvider& provider)
{
    const int32_t port = provider.ConsumeIntegral<int32_t>();
    char portSetting[PORT_SETTING_SIZE];
    memset(portSetting, 0x55, PORT_SETTING_SIZE);  // a remnant of an older, longer path
    (void)BoundedCopy(portSetting, PORT_SETTING_SIZE, ComPortPathOf(port).text);  // always fits
    FUZZ_REQUIRE(PortNumberInSetting(portSetting) == port);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    switch (provider.ConsumeIntegralInRange(0, 2)) {
    case 0:
        FuzzSplitPath(provider);
        break;
    case 1:
        FuzzRandomSetting(provider);
        break;
    default:
        FuzzWrittenSetting(provider);
        break;
    }
    return 0;
}
