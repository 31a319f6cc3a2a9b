#include "settings/settings_path.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "common/module_handle.h"

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
        char path[PATH_BESIDE_CAPACITY];
        EXPECT_EQ(RESULT_OK, PathBeside(c.module, SETTINGS_FILE_NAME, path)) << c.module;
        EXPECT_STREQ(c.expected, path) << c.module;
    }
}

TEST(SettingsPath, ANameThatDoesNotFitIsRefusedNotShortened)
{
    const size_t name = strlen(SETTINGS_FILE_NAME);
    // The directory leaves room for the whole name and its terminator...
    std::string fits = std::string(PATH_BESIDE_CAPACITY - name - 2, 'd') + "\\m.dll";
    char path[PATH_BESIDE_CAPACITY];
    ASSERT_EQ(RESULT_OK, PathBeside(fits.c_str(), SETTINGS_FILE_NAME, path));
    EXPECT_EQ(PATH_BESIDE_CAPACITY - 1, strlen(path));

    // ...or is one character too long for it.
    std::string tooLong = std::string(PATH_BESIDE_CAPACITY - name - 1, 'd') + "\\m.dll";
    EXPECT_EQ(RESULT_INSUFFICIENT_BUFFER, PathBeside(tooLong.c_str(), SETTINGS_FILE_NAME, path));

    std::string unterminated(PATH_BESIDE_CAPACITY + 5, 'u');
    EXPECT_EQ(E_INVALIDARG, PathBeside(unterminated.c_str(), SETTINGS_FILE_NAME, path));
}

TEST(SettingsPath, OfAModuleThatIsNoneFailsAndTouchesNothing)
{
    const HINSTANCE loaded = GetModuleInstance();
    SetModuleInstance(GetModuleHandleA(NULL));
    char path[PATH_BESIDE_CAPACITY];
    ASSERT_EQ(RESULT_OK, SettingsPathOfRunningModule(path));
    char program[PATH_BESIDE_CAPACITY];
    ASSERT_NE(0u, GetModuleFileNameA(NULL, program, sizeof program));
    std::string expected(program);
    expected = expected.substr(0, expected.find_last_of("\\/") + 1) + SETTINGS_FILE_NAME;
    EXPECT_EQ(expected, path);

    // No module lies at this address.
    memset(path, 'x', sizeof path);
    SetModuleInstance((HINSTANCE)(uintptr_t)0x00010001u);
    const ResultCode result = SettingsPathOfRunningModule(path);
    SetModuleInstance(loaded);
    EXPECT_LT(result, 0) << "a failure, never success";
    EXPECT_EQ(std::string(sizeof path, 'x'), std::string(path, sizeof path));
}

const char UNTOUCHED[] = "untouched";

TEST(SplitPath, SplitsAtTheLastSeparatorFromTheSecondCharacterOn)
{
    const struct {
        const char* path;
        const char* name;
        const char* directory;
    } cases[] = {
        {"\\\\.\\COM1", "COM1", "\\\\.\\"},
        {"C:\\dir\\file.dat", "file.dat", "C:\\dir\\"},
        {"a\\b/c", "c", "a\\b/"},
        {"dir/", "", "dir/"},
        {"\\COM5", "\\COM5", "\\"},  // position 0 is never a separator
        {"COM5", "COM5", "C"},
        {"x", "x", "x"},
        {"\\\\", "", "\\\\"},
    };
    for (const auto& c : cases) {
        char name[64];
        char directory[64];
        SplitPath(c.path, name, directory);
        EXPECT_STREQ(c.name, name) << c.path;
        EXPECT_STREQ(c.directory, directory) << c.path;
    }
}

TEST(SplitPath, WritesOnlyTheOutputsGiven)
{
    char name[64] = "untouched";
    char directory[64] = "untouched";
    SplitPath("", name, directory);
    EXPECT_STREQ(UNTOUCHED, name);
    EXPECT_STREQ(UNTOUCHED, directory);

    SplitPath("a\\b", name, NULL);
    EXPECT_STREQ("b", name);
    SplitPath("c\\d", NULL, directory);
    EXPECT_STREQ("c\\", directory);
    EXPECT_STREQ("b", name);
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
