#include "settings/settings_path.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "settings/module_settings_path.h"
#include "settings/path_parts.h"

namespace {

TEST(SettingsPath, LiesBesideTheModule)
{
    const struct {
        const char* module;
        const char* expected;
    } cases[] = {
        {"C:\\Movra\\Plugins\\ArdunParser.dll", "C:\\Movra\\Plugins\\ArdunParser.dat"},
        {"/opt/movra/ArdunParser.dll", "/opt/movra/ArdunParser.dat"},
        {"C:\\mixed/sep\\x.dll", "C:\\mixed/sep\\ArdunParser.dat"},
        {"\\x.dll", "\\ArdunParser.dat"},         // separator at position 0 only: the root
        {"ArdunParser.dll", "AArdunParser.dat"},  // no separator: the first character stays
        {"", "ArdunParser.dat"},                  // bare name, resolved by the platform
    };
    for (const auto& c : cases) {
        char path[SETTINGS_PATH_CAPACITY];
        EXPECT_EQ(RESULT_OK, SettingsPathBesideModule(c.module, path)) << c.module;
        EXPECT_STREQ(c.expected, path) << c.module;
    }
}

TEST(SettingsPath, ANameThatDoesNotFitIsRefusedNotShortened)
{
    const size_t name = strlen(SETTINGS_FILE_NAME);
    // The directory leaves room for the whole name and its terminator...
    std::string fits = std::string(SETTINGS_PATH_CAPACITY - name - 2, 'd') + "\\m.dll";
    char path[SETTINGS_PATH_CAPACITY];
    ASSERT_EQ(RESULT_OK, SettingsPathBesideModule(fits.c_str(), path));
    EXPECT_EQ(SETTINGS_PATH_CAPACITY - 1, strlen(path));

    // ...or is one character too long for it.
    std::string tooLong = std::string(SETTINGS_PATH_CAPACITY - name - 1, 'd') + "\\m.dll";
    EXPECT_EQ(RESULT_INSUFFICIENT_BUFFER, SettingsPathBesideModule(tooLong.c_str(), path));

    std::string unterminated(SETTINGS_PATH_CAPACITY + 5, 'u');
    EXPECT_EQ(E_INVALIDARG, SettingsPathBesideModule(unterminated.c_str(), path));
}

TEST(SettingsPath, OfAModuleThatIsNoneFailsAndTouchesNothing)
{
    char path[SETTINGS_PATH_CAPACITY];
    ASSERT_EQ(RESULT_OK, SettingsPathOfModule(GetModuleHandleA(NULL), path));
    char program[SETTINGS_PATH_CAPACITY];
    ASSERT_NE(0u, GetModuleFileNameA(NULL, program, sizeof program));
    std::string expected(program);
    expected = expected.substr(0, expected.find_last_of("\\/") + 1) + SETTINGS_FILE_NAME;
    EXPECT_EQ(expected, path);

    // No module lies at this address.
    memset(path, 'x', sizeof path);
    const ResultCode result = SettingsPathOfModule((HMODULE)(uintptr_t)0x00010001u, path);
    EXPECT_LT(result, 0) << "a failure, never success";
    EXPECT_EQ(std::string(sizeof path, 'x'), std::string(path, sizeof path));
}

TEST(DirectoryPartLength, StopsAtTheLastSeparatorFromPositionOne)
{
    const struct {
        const char* path;
        size_t expected;
    } cases[] = {
        {"", 0}, {"a", 1}, {"\\", 1}, {"ab", 1}, {"a\\", 2}, {"a\\b\\c", 4}, {"a/b", 2}, {"\\\\.\\COM1", 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, DirectoryPartLength(c.path, strlen(c.path))) << c.path;
}

}  // namespace
