// The settings file beside the module, read and written for real.
#include "settings/port_setting.h"

#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

#include "testkit/module_setting.h"
#include "testkit/settings_file.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

class PortSettingFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseTestProgramAsModule();
        RemoveSettingsFile();
        memset(PortSetting, 0, PORT_SETTING_SIZE);
        WriteDefaultPortSetting();
    }
    void TearDown() override { RemoveSettingsFile(); }
};

TEST_F(PortSettingFile, DefaultIsCom1FollowedByZeros)
{
    EXPECT_EQ(SettingsFileBytes("\\\\.\\COM1"), PortSettingBytes());
}

TEST_F(PortSettingFile, MissingFileLeavesTheSettingAndReportsFileNotFound)
{
    EXPECT_EQ((ResultCode)0x80070002u, LoadPortSetting());
    EXPECT_STREQ("\\\\.\\COM1", PortSetting);
}

TEST_F(PortSettingFile, ReadReplacesOnlyTheLeadingBytesItGets)
{
    const struct {
        const char* what;
        std::vector<uint8_t> file;
        std::vector<uint8_t> expected;
    } cases[] = {
        {"empty file", {}, SettingsFileBytes("\\\\.\\COM1")},
        {"three bytes without a zero", Bytes("abc"), SettingsFileBytes("abc\\COM1")},
        {"a full path", SettingsFileBytes("\\\\.\\COM42"), SettingsFileBytes("\\\\.\\COM42")},
        {"longer than 25 bytes", Bytes(std::string("\\\\.\\COM7") + std::string(17, '\0') + "tail"),
         SettingsFileBytes("\\\\.\\COM7")},
    };
    for (const auto& c : cases) {
        WriteDefaultPortSetting();
        WriteSettingsFile(c.file);
        EXPECT_EQ(RESULT_OK, LoadPortSetting()) << c.what;
        EXPECT_EQ(c.expected, PortSettingBytes()) << c.what;
    }
}

TEST_F(PortSettingFile, FileWithoutAZeroByteStillLeavesATerminatedPath)
{
    WriteSettingsFile(Bytes(std::string(30, 'x')));
    EXPECT_EQ(RESULT_OK, LoadPortSetting());
    EXPECT_EQ(std::string(24, 'x'), std::string(PortSetting));
}

TEST_F(PortSettingFile, FileLockedByAnotherHandleIsASharingViolation)
{
    WriteSettingsFile(SettingsFileBytes("\\\\.\\COM5"));
    HANDLE holder = CreateFileA(SettingsFilePath().c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ((ResultCode)0x80070020u, LoadPortSetting());
    EXPECT_EQ((ResultCode)0x80070020u, SavePortSetting());
    EXPECT_STREQ("\\\\.\\COM1", PortSetting);
    CloseHandle(holder);

    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadSettingsFile(&file));
    EXPECT_EQ(SettingsFileBytes("\\\\.\\COM5"), file);
}

// Two hosts that start at once both read the file: the port they chose, not
// the default, is the one each opens.
TEST_F(PortSettingFile, TwoReadersAtOnceBothReadTheFile)
{
    WriteSettingsFile(SettingsFileBytes("\\\\.\\COM5"));
    HANDLE otherReader = CreateFileA(SettingsFilePath().c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                                     OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, otherReader);
    EXPECT_EQ(RESULT_OK, LoadPortSetting());
    EXPECT_STREQ("\\\\.\\COM5", PortSetting);
    CloseHandle(otherReader);
}

TEST_F(PortSettingFile, SaveWritesTheWholeBufferIncludingAnOldRemnant)
{
    SetPortSettingText("\\\\.\\COM123");
    ASSERT_EQ(RESULT_OK, SavePortSetting());
    // A shorter path over a longer one leaves the longer one's tail behind.
    strcpy(PortSetting, "\\\\.\\COM5");
    ASSERT_EQ(RESULT_OK, SavePortSetting());

    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadSettingsFile(&file));
    std::vector<uint8_t> expected = SettingsFileBytes("\\\\.\\COM5");
    expected[9] = '3';
    EXPECT_EQ(expected, file);

    WriteDefaultPortSetting();
    ASSERT_EQ(RESULT_OK, LoadPortSetting());
    EXPECT_STREQ("\\\\.\\COM5", PortSetting);
}

TEST_F(PortSettingFile, SavingTwiceGivesTwoIdenticalFiles)
{
    ASSERT_EQ(RESULT_OK, SavePortSetting());
    std::vector<uint8_t> first;
    ASSERT_TRUE(ReadSettingsFile(&first));
    ASSERT_EQ(RESULT_OK, SavePortSetting());
    std::vector<uint8_t> second;
    ASSERT_TRUE(ReadSettingsFile(&second));
    EXPECT_EQ(SettingsFileBytes("\\\\.\\COM1"), first);
    EXPECT_EQ(first, second);
}

TEST_F(PortSettingFile, SaveWritesInPlaceKeepingTheFileItsAttributesAndNothingPastTheSetting)
{
    // A hidden file, longer than the setting: a save that replaced or
    // re-created it would change its index or lose the attribute.
    WriteSettingsFile(Bytes(std::string(40, 'x')));
    ASSERT_TRUE(SetFileAttributesA(SettingsFilePath().c_str(), FILE_ATTRIBUTE_HIDDEN));
    BY_HANDLE_FILE_INFORMATION seen[2] = {};  // before a save, and after it
    for (BY_HANDLE_FILE_INFORMATION& info : seen) {
        HANDLE file = CreateFileA(SettingsFilePath().c_str(), 0, 0, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_TRUE(GetFileInformationByHandle(file, &info));
        CloseHandle(file);
        SetPortSettingText("\\\\.\\COM42");
        ASSERT_EQ(RESULT_OK, SavePortSetting());
    }
    EXPECT_EQ(seen[0].nFileIndexLow, seen[1].nFileIndexLow);
    EXPECT_EQ(seen[0].nFileIndexHigh, seen[1].nFileIndexHigh);
    EXPECT_TRUE(seen[1].dwFileAttributes & FILE_ATTRIBUTE_HIDDEN);
    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadSettingsFile(&file));
    EXPECT_EQ(SettingsFileBytes("\\\\.\\COM42"), file) << "the file ends after the setting";
}

}  // namespace
