#include "settings/center_window.h"

void CenterWindow(HWND window, HWND over)
{
    if (over == NULL)
        over = GetDesktopWindow();
    RECT windowRect;
    RECT overRect;
    if (!GetWindowRect(window, &windowRect) || !GetWindowRect(over, &overRect))
        return;

    // Each half is truncated towards zero on its own.
    int x = overRect.left + ((overRect.right - overRect.left) / 2 - (windowRect.right - windowRect.left) / 2);
    int y = overRect.top + ((overRect.bottom - overRect.top) / 2 - (windowRect.bottom - windowRect.top) / 2);
    // A window that cannot move is still usable where it is.
    (void)SetWindowPos(window, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
