// ardun-host config as a user meets it: the plug-in's dialog appears owned by
// ardun-host's own window; Cancel leaves the settings file alone, OK saves the
// chosen port beside the DLL. Runs the real programs under the test display.
#include <gtest/gtest.h>
#include <windows.h>


#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/kernel_handle.h"
#include "testkit/build_folder.h"
#include "testkit/test_ports.h"

namespace {

const char* const DIALOG_CAPTION = "Ardun Parser Configuration";
const int PORT_LIST_ID = 1001;

std::string SettingsPath()
{
    return BuiltFilePath("ArdunParser.dat");
}

bool ReadWholeFile(const std::string& path, std::vector<char>* bytes)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

class HostConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hadSettings = ReadWholeFile(SettingsPath(), &savedSettings);
        DeleteFileA(SettingsPath().c_str());  // absent already is fine
    }

    void TearDown() override
    {
        if (process.IsOpen() && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT)
            TerminateProcess(process.Get(), 99);
        process.Close();
        thread.Close();
        DeleteFileA(SettingsPath().c_str());
        if (hadSettings) {
            std::ofstream out(SettingsPath().c_str(), std::ios::binary);
            out.write(savedSettings.data(), static_cast<std::streamsize>(savedSettings.size()));
        }
    }

    void StartHostConfig()
    {
        std::string command = "\"" + BuiltFilePath("ardun-host.exe") + "\" config";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &started))
            << command << ": error " << GetLastError();
        process.Reset(started.hProcess);
        thread.Reset(started.hThread);
    }

    // The dialog once it is visible; the probe of 256 ports comes first.
    HWND WaitForDialog()
    {
        for (int i = 0; i < 1200; ++i) {
            HWND dialog = FindWindowA(nullptr, DIALOG_CAPTION);
            if (dialog != nullptr && IsWindowVisible(dialog))
                return dialog;
            if (WaitForSingleObject(process.Get(), 50) != WAIT_TIMEOUT)
                return nullptr;  // the host ended without showing it
        }
        return nullptr;
    }

    DWORD WaitForHostExit()
    {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.Get(), 30000));
        DWORD code = 12345;
        EXPECT_TRUE(GetExitCodeProcess(process.Get(), &code));
        return code;
    }

    KernelHandle process, thread;
    bool hadSettings = false;
    std::vector<char> savedSettings;
};

TEST_F(HostConfigTest, CancelLeavesTheSettingsFileAlone)
{
    StartHostConfig();
    HWND dialog = WaitForDialog();
    ASSERT_NE(nullptr, dialog) << "no dialog appeared";

    // Owned by ardun-host's own top-level window, as by the host's.
    HWND owner = GetWindow(dialog, GW_OWNER);
    ASSERT_NE(nullptr, owner);
    char caption[64] = "";
    GetWindowTextA(owner, caption, sizeof caption);
    EXPECT_STREQ("ardun-host", caption);

    ASSERT_TRUE(PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0));
    EXPECT_EQ(0u, WaitForHostExit());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(SettingsPath().c_str()));
}

TEST_F(HostConfigTest, OkSavesTheChosenPortBesideTheDll)
{
    StartHostConfig();
    HWND dialog = WaitForDialog();
    ASSERT_NE(nullptr, dialog) << "no dialog appeared";
    HWND list = GetDlgItem(dialog, PORT_LIST_ID);
    ASSERT_NE(nullptr, list);

    const int wanted = TestPortNumber(HOST_SIDE);
    LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    LRESULT chosen = CB_ERR;
    for (LRESULT i = 0; i < count && chosen == CB_ERR; ++i)
        if (SendMessageA(list, CB_GETITEMDATA, i, 0) == wanted)
            chosen = i;
    ASSERT_NE(CB_ERR, chosen) << "COM" << wanted << " is not listed";
    ASSERT_EQ(chosen, SendMessageA(list, CB_SETCURSEL, chosen, 0));

    ASSERT_TRUE(PostMessageA(dialog, WM_COMMAND, IDOK, 0));
    EXPECT_EQ(0u, WaitForHostExit());

    std::vector<char> saved;
    ASSERT_TRUE(ReadWholeFile(SettingsPath(), &saved));
    ASSERT_EQ(25u, saved.size());
    EXPECT_EQ(TestPortPath(HOST_SIDE), std::string(saved.data()));
}

}  // namespace
