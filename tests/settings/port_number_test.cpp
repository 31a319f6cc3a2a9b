// Reading the port number out of the setting's device path.
#include "settings/port_number.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "settings/port_setting.h"
#include "testkit/module_setting.h"
#include "testkit/settings_file.h"

namespace {

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
