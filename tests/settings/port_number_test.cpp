// Reading the port number out of the setting's device path.
#include "settings/port_number.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "settings/path_parts.h"
#include "settings/port_setting.h"
#include "testkit/settings_file.h"

namespace {

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

TEST(GetConfiguredPortNumber, ReadsTheNumberAfterTheFileNamePartsThirdCharacter)
{
    const struct {
        const char* setting;
        int32_t number;
    } cases[] = {
        {"\\\\.\\COM1", 1},
        {"\\\\.\\COM12", 12},
        {"\\\\.\\COM255", 255},
        {"\\\\.\\COM300", 300},
        {"\\\\.\\cXY7", 7},
        {"\\\\.\\COM 42", 42},  // leading white space and a sign, as atoi reads
        {"\\\\.\\COM+5", 5},
        {"\\\\.\\COM7x9", 7},
        {"\\\\.\\COM-1", NO_PORT_NUMBER},
        {"\\\\.\\COM-12", -12},
        {"COM5", 5},
        {"\\\\.\\COM", 0},
        {"\\\\.\\COMx", 0},
        {"\\\\.\\LPT1", 0},
        {"\\\\.\\", 0},
        // Shorter than three characters: nothing to read a number from.
        {"\\\\.\\C", 0},
        {"\\\\.\\co", 0},
        {"C", 0},
        // An empty setting names no port.
        {"", NO_PORT_NUMBER},
        // Digits beyond 32 bits are held at the nearest end.
        {"\\\\.\\COM99999999999", 2147483647},
        {"\\\\.\\COM-99999999999", -2147483647 - 1},
    };
    for (const auto& c : cases) {
        SetPortSettingText(c.setting);
        EXPECT_EQ(c.number, GetConfiguredPortNumber()) << '"' << c.setting << '"';
    }
}

TEST(GetConfiguredPortNumber, StaysWithinASettingThatHasNoTerminator)
{
    // 25 bytes of digits after "COM": the last one is not part of the path.
    std::string full = "\\\\.\\COM" + std::string(PORT_SETTING_SIZE - 7, '1');
    memcpy(PortSetting, full.data(), PORT_SETTING_SIZE);
    EXPECT_EQ(2147483647, GetConfiguredPortNumber());
    std::string shortNumber = "\\\\.\\COM12" + std::string(PORT_SETTING_SIZE - 9, ' ');
    memcpy(PortSetting, shortNumber.data(), PORT_SETTING_SIZE);
    EXPECT_EQ(12, GetConfiguredPortNumber());
}

}  // namespace
