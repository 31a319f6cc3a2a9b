// The port configuration dialog: the module's only user interface. It lists
// the COM ports that can be opened, selects the configured one, and on OK
// stores and saves the user's choice.
#pragma once

#include <windows.h>

// Runs the modal dialog owned by `owner` (may be null) and returns once it has
// closed, whatever the user chose. It uses no object state, so the plug-in
// object and the component both answer their ShowConfig slot with it.
void ShowPortConfigDialog(HWND owner);

// The dialog's procedure: fills and selects the port list when the dialog
// opens, stores and saves the choice on OK, changes nothing on Cancel.
INT_PTR CALLBACK PortConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
