#include "settings/port_config_dialog.h"

#include "common/module_handle.h"
#include "settings/center_window.h"
#include "settings/port_list.h"
#include "settings/port_number.h"
#include "settings/port_setting.h"
#include "settings/resource.h"

// The dialog's end codes; ShowPortConfigDialog does not look at them.
static const INT_PTR END_CONFIRMED = 1;
static const INT_PTR END_CANCELLED = 0;

void ShowPortConfigDialog(HWND owner)
{
    // The host learns nothing from how the dialog ended: the choice, if any,
    // is already in PortSetting and the settings file.
    (void)DialogBoxParamA(GetModuleInstance(), MAKEINTRESOURCEA(IDD_PORT_CONFIG), owner, PortConfigDialogProc,
                          0);
}

static void OnInitDialog(HWND dialog)
{
    // For this owned pop-up the parent is the owner; null centres on the desktop.
    CenterWindow(dialog, GetParent(dialog));
    int32_t current = GetConfiguredPortNumber();
    HWND portList = GetDlgItem(dialog, IDC_PORT_LIST);
    (void)FillPortList(portList, current);
    (void)SelectItemByData(portList, current);
}

static void OnOk(HWND dialog)
{
    int32_t chosen = NO_PORT_NUMBER;
    (void)GetSelectedItemData(GetDlgItem(dialog, IDC_PORT_LIST), &chosen);
    // The blank entry stands for "no port": the setting then stays as it is.
    if (chosen != NO_PORT_NUMBER)
        WritePortSettingForNumber(chosen);
    // Saved even when unchanged; a failure has nowhere to be shown, and the
    // new value still serves until the module is loaded again.
    (void)SavePortSetting();
    (void)EndDialog(dialog, END_CONFIRMED);
}

INT_PTR CALLBACK PortConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;  // the platform focuses the first tab stop, OK
    case WM_COMMAND:
        // Enter arrives as IDOK; Escape and the close box arrive as IDCANCEL.
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOk(dialog);
            break;
        case IDCANCEL:
            (void)EndDialog(dialog, END_CANCELLED);
            break;
        }
        return FALSE;
    }
    return FALSE;
}
