#include "tools/cli/stop_request.h"

#include <windows.h>

static volatile LONG stopRequested = 0;

static BOOL WINAPI OnConsoleControl(DWORD event)
{
    (void)event;  // Ctrl+C, Ctrl+Break and closing the console all mean stop
    InterlockedExchange(&stopRequested, 1);
    return TRUE;
}

bool CatchStopRequests()
{
    return SetConsoleCtrlHandler(OnConsoleControl, TRUE) != FALSE;
}

bool StopRequested()
{
    return stopRequested != 0;
}
