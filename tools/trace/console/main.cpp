// ardun-trace.com: what cmd and PowerShell run when a user types
// "ardun-trace" (for a bare name they try .com before .exe). It is a console
// program, so the prompt waits for its end and its exit status reaches
// %ERRORLEVEL% and $LASTEXITCODE. It runs every console use itself, from the
// same code as ardun-trace.exe: a wrong command line, --help, --find, --watch
// and a trace with --console. A trace in the window alone is ardun-trace.exe's: it
// is started with the same arguments and the prompt returns at once, as for
// any window program. A double-click opens ardun-trace.exe, which brings no
// console with it.
#include <stdio.h>
#include <windows.h>

#include "tools/trace/console/window_program.h"
#include "tools/trace/console_modes.h"
#include "tools/trace/trace_program.h"

int main(int argc, char** argv)
{
    TraceOptions options;
    int status = 0;
    if (RunWithoutWindow(argc, argv, false, &options, &status))
        return status;
    if (options.console)
        return RunTrace(GetModuleHandleA(NULL), options, stdout);
    return StartWindowProgram();
}
