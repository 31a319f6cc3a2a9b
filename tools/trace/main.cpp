// ardun-trace: the plug-in's diagnostic log on screen. It is built from the
// module's own port, reader and log code (not from the DLL, which attaches no
// log), opens the port the plug-in would open and shows every step and every
// byte the reader takes, with the outcome of each packet request. With
// --watch it shows in its window what the hosts that run the plug-in ask.
#include <stdio.h>
#include <windows.h>

#include "tools/trace/console_modes.h"
#include "tools/trace/trace_program.h"

static bool IsConnected(DWORD standardHandle)
{
    const HANDLE handle = GetStdHandle(standardHandle);
    return handle != NULL && handle != INVALID_HANDLE_VALUE;
}

// A window program has no console of its own, so started from Explorer only
// its window opens. Its output and its error messages each go where they
// already lead (a file or a pipe) or, when started from a console by its full
// name (ardun-trace.exe, where "ardun-trace" runs ardun-trace.com), to that
// console.
static void ConnectStandardOutput()
{
    const bool outputConnected = IsConnected(STD_OUTPUT_HANDLE);
    const bool errorConnected = IsConnected(STD_ERROR_HANDLE);
    if (outputConnected && errorConnected)
        return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;  // no console to write to: the window shows everything
    // A stream that cannot be reopened stays unconnected and writes nothing.
    if (!outputConnected)
        (void)freopen("CONOUT$", "w", stdout);
    if (!errorConnected)
        (void)freopen("CONOUT$", "w", stderr);
}

int main(int argc, char** argv)
{
    ConnectStandardOutput();
    TraceOptions options;
    int status = 0;
    if (RunWithoutWindow(argc, argv, true, &options, &status))
        return status;
    return RunTrace(GetModuleHandleA(NULL), options, options.console ? stdout : NULL);
}
