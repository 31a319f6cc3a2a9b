// Shows the port configuration dialog with its port list dropped down, prints
// the screen rectangle that holds both as "rect X Y WIDTH HEIGHT", keeps it up
// for a few seconds so that a screenshot can be taken, then cancels it.
// Used by scripts/screenshot-dialog.sh; the configured port is the fixture's
// first host-side port.
#include <stdio.h>
#include <windows.h>

#include <thread>

#include "common/module_handle.h"
#include "settings/port_config_dialog.h"
#include "settings/resource.h"
#include "testkit/module_setting.h"
#include "testkit/settings_file.h"
#include "testkit/test_ports.h"

static const char CAPTION[] = "Ardun Parser Configuration";
static const DWORD HOLD_MILLISECONDS = 4000;

static void PresentAndCancel()
{
    HWND dialog = NULL;
    for (int waited = 0; waited < 120000 && dialog == NULL; waited += 20) {
        dialog = FindWindowA(NULL, CAPTION);
        if (dialog && !IsWindowVisible(dialog))
            dialog = NULL;
        Sleep(20);
    }
    if (dialog == NULL) {
        fprintf(stderr, "the dialog did not appear\n");
        return;
    }
    HWND combo = GetDlgItem(dialog, IDC_PORT_LIST);
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    Sleep(500);  // let both windows paint

    RECT shown;
    GetWindowRect(dialog, &shown);
    COMBOBOXINFO info;
    info.cbSize = sizeof info;
    RECT list;
    if (GetComboBoxInfo(combo, &info) && GetWindowRect(info.hwndList, &list))
        UnionRect(&shown, &shown, &list);
    printf("rect %ld %ld %ld %ld\n", shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top);
    fflush(stdout);

    Sleep(HOLD_MILLISECONDS);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

int main()
{
    UseTestProgramAsModule();
    SetPortSettingText(TestPortPath(HOST_SIDE).c_str());
    std::thread user(PresentAndCancel);
    ShowPortConfigDialog(NULL);
    user.join();
    return 0;
}
