// The port configuration dialog: the module's only user interface. It lists
// the COM ports that can be opened, selects the configured one, and on OK
// stores and saves the user's choice.
#pragma once

#include <stdint.h>
#include <windows.h>

#include "plugin/host_interfaces.h"

// Runs the modal dialog owned by the request's window and returns 0 once it
// has closed, whatever the user chose; a null request shows nothing. It uses
// no object state, so the plug-in object and the component both answer their
// ShowConfig slot with this one function.
int32_t ShowConfig(MVConfigRequest* request);

// The dialog's procedure: fills and selects the port list when the dialog
// opens, stores and saves the choice on OK, changes nothing on Cancel.
INT_PTR CALLBACK PortConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
