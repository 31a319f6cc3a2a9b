// Resource ids of the port configuration dialog, shared by the resource
// script and the code that shows the dialog.
#pragma once

#define IDD_PORT_CONFIG 101
#define IDC_PORT_LIST 1001
