// The real configuration dialog, shown from this program's resources under a
// virtual display and driven from a second thread as a user would, with the
// fixture's virtual COM ports as the ports that exist.
#include "settings/port_config_dialog.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <windows.h>

#include <string>
#include <vector>

#include "parser/ardun_parser.h"
#include "plugin/ardun_plugin.h"
#include "settings/port_setting.h"
#include "settings/resource.h"
#include "testkit/dialog_user.h"
#include "testkit/module_setting.h"
#include "testkit/settings_file.h"
#include "testkit/test_ports.h"

namespace {

const char CAPTION[] = "Ardun Parser Configuration";

// Shows the dialog on this thread with the given owner while a second thread
// waits for the dialog, records what it shows, picks the entry whose item data
// is `choose` (unless NO_CHOICE) and closes it as `closing` says.
DialogSeen RunDialog(HWND owner, DialogClosing closing, int32_t choose = NO_CHOICE)
{
    DialogUser user(closing, choose);
    ShowPortConfigDialog(owner);
    DialogSeen seen = user.Finish();
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(NULL, FindWindowA(NULL, CAPTION)) << "the dialog is gone once ShowPortConfigDialog returns";
    return seen;
}

std::string PortText(TestPort port)
{
    return "COM" + std::to_string(TestPortNumber(port));
}

class PortConfigDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseTestProgramAsModule();
        RemoveSettingsFile();
    }
    void TearDown() override { RemoveSettingsFile(); }
};

TEST_F(PortConfigDialog, ListsThePortsThatOpenInAscendingOrderAndSelectsTheConfiguredOne)
{
    SetPortSettingText(TestPortPath(HOST_SIDE).c_str());
    DialogSeen seen = RunDialog(NULL, PRESS_CANCEL);

    for (TestPort port : {HOST_SIDE, DEVICE_SIDE, SECOND_HOST_SIDE, SECOND_DEVICE_SIDE}) {
        int index = IndexOfData(seen.entries, TestPortNumber(port));
        ASSERT_NE(-1, index) << PortText(port) << " is not listed";
        EXPECT_EQ(PortText(port), seen.entries[index].text);
    }
    EXPECT_EQ(-1, IndexOfData(seen.entries, TestPortNumber(UNOPENABLE)));
    for (size_t i = 0; i < seen.entries.size(); ++i) {
        EXPECT_EQ("COM" + std::to_string(seen.entries[i].data), seen.entries[i].text) << "no braced entry";
        if (i > 0) {
            EXPECT_LT(seen.entries[i - 1].data, seen.entries[i].data) << "port 10 comes after port 9";
        }
    }
    EXPECT_EQ(IndexOfData(seen.entries, TestPortNumber(HOST_SIDE)), seen.selected);
}

// Settings whose port is not among those found: an entry for it heads the list
// and is selected, and OK keeps it and saves the file.
TEST_F(PortConfigDialog, KeepsAConfiguredPortThatIsNotFoundAtTheHead)
{
    const std::string absent = TestPortPath(UNOPENABLE);
    const struct {
        std::string setting;
        std::string head;
        int32_t data;
        std::string afterOk;
    } cases[] = {
        {absent, "{COM" + std::to_string(TestPortNumber(UNOPENABLE)) + "}", TestPortNumber(UNOPENABLE), absent},
        {"\\\\.\\COM300", "{COM300}", 300, "\\\\.\\COM300"},  // above 255: never probed
        {"\\\\.\\LPT1", "{COM0}", 0, "\\\\.\\COM0"},           // not a COM name: port 0
        {"\\\\.\\COM-1", " ", -1, "\\\\.\\COM-1"},              // no port: left as it is
        {"", " ", -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE('"' + c.setting + '"');
        RemoveSettingsFile();
        SetPortSettingText(c.setting.c_str());
        DialogSeen seen = RunDialog(NULL, PRESS_OK);

        ASSERT_FALSE(seen.entries.empty());
        EXPECT_EQ(c.head, seen.entries[0].text);
        EXPECT_EQ(c.data, seen.entries[0].data);
        EXPECT_EQ(0, seen.selected);
        for (size_t i = 1; i < seen.entries.size(); ++i)
            EXPECT_EQ("COM" + std::to_string(seen.entries[i].data), seen.entries[i].text);

        EXPECT_EQ(SettingsFileBytes(c.afterOk), PortSettingBytes());
        std::vector<uint8_t> file;
        ASSERT_TRUE(ReadSettingsFile(&file)) << "OK saves the file in every case";
        EXPECT_EQ(SettingsFileBytes(c.afterOk), file);
    }
}

TEST_F(PortConfigDialog, OkStoresAndSavesTheChosenPort)
{
    SetPortSettingText("\\\\.\\COM1234");
    DialogSeen seen = RunDialog(NULL, PRESS_OK, TestPortNumber(SECOND_HOST_SIDE));

    // The shorter path leaves the old one's tail behind its terminator.
    std::vector<uint8_t> expected = SettingsFileBytes(TestPortPath(SECOND_HOST_SIDE) + std::string(1, '\0') +
                                                      "4");
    EXPECT_EQ(expected, PortSettingBytes());
    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadSettingsFile(&file));
    EXPECT_EQ(expected, file);
}

TEST_F(PortConfigDialog, CancelEscapeAndTheCloseBoxChangeNothing)
{
    const struct {
        const char* what;
        DialogClosing closing;
    } cases[] = {
        {"Cancel", PRESS_CANCEL},
        {"Escape", PRESS_ESCAPE},
        {"WM_CLOSE", CLOSE_MESSAGE},
        {"close box", CLOSE_BOX},
    };
    // The file holds another port than memory, so a save would show.
    const std::vector<uint8_t> file = SettingsFileBytes(TestPortPath(SECOND_DEVICE_SIDE));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteSettingsFile(file);
        SetPortSettingText(TestPortPath(HOST_SIDE).c_str());
        const std::vector<uint8_t> setting = PortSettingBytes();

        DialogSeen seen = RunDialog(NULL, c.closing, TestPortNumber(SECOND_HOST_SIDE));

        EXPECT_EQ(setting, PortSettingBytes());
        std::vector<uint8_t> after;
        ASSERT_TRUE(ReadSettingsFile(&after));
        EXPECT_EQ(file, after);
    }
}

// Where the dialog should be: centred over `over`, each half truncated.
POINT CentredPlace(const RECT& over, const RECT& dialog)
{
    int dialogWidth = dialog.right - dialog.left;
    int dialogHeight = dialog.bottom - dialog.top;
    return {over.left + ((over.right - over.left) / 2 - dialogWidth / 2),
            over.top + ((over.bottom - over.top) / 2 - dialogHeight / 2)};
}

TEST_F(PortConfigDialog, IsCentredOverItsOwner)
{
    // Even and odd sizes: truncating each half on its own differs from halving
    // the difference when the owner's size is even and the dialog's odd.
    const RECT owners[] = {{101, 73, 101 + 401, 73 + 301}, {90, 60, 90 + 400, 60 + 300}};
    SetPortSettingText(TestPortPath(HOST_SIDE).c_str());
    for (const RECT& place : owners) {
        HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, place.left, place.top,
                                     place.right - place.left, place.bottom - place.top, NULL, NULL,
                                     GetModuleHandleA(NULL), NULL);
        ASSERT_NE((HWND)NULL, owner);
        RECT ownerRect;
        ASSERT_TRUE(GetWindowRect(owner, &ownerRect));

        DialogSeen seen = RunDialog(owner, PRESS_CANCEL);
        DestroyWindow(owner);

        POINT expected = CentredPlace(ownerRect, seen.rect);
        EXPECT_EQ(expected.x, seen.rect.left);
        EXPECT_EQ(expected.y, seen.rect.top);
        EXPECT_GT(seen.rect.left, ownerRect.left) << "the dialog is smaller than its owner";
    }
}

TEST_F(PortConfigDialog, WithoutAnOwnerIsCentredOnTheDesktop)
{
    RECT desktop;
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
    SetPortSettingText(TestPortPath(HOST_SIDE).c_str());

    DialogSeen seen = RunDialog(NULL, PRESS_CANCEL);

    POINT expected = CentredPlace(desktop, seen.rect);
    EXPECT_EQ(expected.x, seen.rect.left);
    EXPECT_EQ(expected.y, seen.rect.top);
}

// Both ShowConfig slots pass the request's owner to the dialog; a null request
// shows nothing.
TEST_F(PortConfigDialog, NullRequestShowsNothing)
{
    std::atomic<bool> returned(false);
    std::atomic<bool> appeared(false);
    std::thread watcher([&] {
        while (!returned) {
            HWND dialog = FindWindowA(NULL, CAPTION);
            if (dialog) {
                appeared = true;
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            }
            Sleep(10);
        }
    });
    EXPECT_EQ(0, ThePlugin.ShowConfig(NULL));
    EXPECT_EQ(0, TheComponent.ShowConfig(NULL));
    returned = true;
    watcher.join();
    EXPECT_FALSE(appeared);
}

}  // namespace
