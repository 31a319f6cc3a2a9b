// Placing a window over the middle of another one.
#pragma once

#include <windows.h>

// Moves window so that it is centred over `over` (the desktop when null),
// keeping its size and place in the stacking order. A window whose rectangle
// cannot be read is left where it is.
void CenterWindow(HWND window, HWND over);
