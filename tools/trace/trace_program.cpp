#include "tools/trace/trace_program.h"

#include <stdio.h>

#include <string>

#include "settings/port_setting.h"
#include "tools/cli/windows_error.h"
#include "tools/trace/trace_session.h"
#include "tools/trace/trace_window.h"

namespace {

const int STATUS_PACKETS = 0;
const int STATUS_FAILED = 1;
const int STATUS_NO_PACKET = 3;

struct TracedWork {
    TraceWindow* window;
    const TraceOptions* options;
    std::string portNote;
    int status;
};

DWORD WINAPI RunTracedWork(void* parameter)
{
    TracedWork* work = static_cast<TracedWork*>(parameter);
    const TraceOptions& options = *work->options;
    TraceSession session(TheComponent, work->window->Sink(), work->window, options);
    LogPrintf(work->window->Sink(), "%s; %u baud, %u-byte packets", work->portNote.c_str(),
              (unsigned)options.baudRate, (unsigned)options.size);
    if (!session.Open()) {
        work->status = STATUS_FAILED;
        return 0;
    }
    while (!work->window->CloseRequested() && (options.count == 0 || session.Requests() < options.count))
        (void)session.RequestPacket();
    session.Close();
    work->status = session.Packets() > 0 ? STATUS_PACKETS : STATUS_NO_PACKET;
    return 0;
}

// Waits for the worker's end (while working) or a message. Only a bad handle
// makes the wait fail, and then the worker may still use the caller's stack:
// the process ends, and its end closes the port.
DWORD WaitForWorkOrMessage(bool working, HANDLE* worker)
{
    const DWORD waited = MsgWaitForMultipleObjects(working ? 1 : 0, worker, FALSE, INFINITE, QS_ALLINPUT);
    if (waited == WAIT_FAILED) {
        fprintf(stderr, "ardun-trace: waiting for the trace failed: %s\n",
                DescribeWindowsError(GetLastError()).c_str());
        ExitProcess(STATUS_FAILED);
    }
    return waited;
}

void HandleWaitingMessages()
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        (void)TranslateMessage(&message);  // the result only says whether a character came of it
        (void)DispatchMessageA(&message);  // the result is the window procedure's
    }
}

}  // namespace

int RunTrace(HINSTANCE instance, const TraceOptions& options, FILE* mirror)
{
    TraceWindow window(options.keepCharacters, options.log, mirror);
    TracedWork work = {&window, &options, SetPortSettingForTrace(options), STATUS_FAILED};
    const std::string title = std::string("Ardun Trace - ") + PortSetting;
    if (!window.Create(instance, title.c_str())) {
        fprintf(stderr, "ardun-trace: the window could not be made: %s\n",
                DescribeWindowsError(window.CreateError()).c_str());
        return STATUS_FAILED;
    }
    HANDLE worker = CreateThread(NULL, 0, RunTracedWork, &work, 0, NULL);
    if (worker == NULL) {
        fprintf(stderr, "ardun-trace: the trace could not be started: %s\n",
                DescribeWindowsError(GetLastError()).c_str());
        return STATUS_FAILED;
    }
    // The work's log lines are sent to the window, so this thread keeps
    // handling messages until the work has ended and the window has gone.
    bool working = true;
    while (window.Frame() != NULL) {
        const DWORD waited = WaitForWorkOrMessage(working, &worker);
        if (working && waited == WAIT_OBJECT_0) {
            working = false;
            // With --count the trace ends with its work; without, the window
            // stays for the user to read until closed.
            window.WorkEnded(options.count != 0);
            continue;
        }
        HandleWaitingMessages();
    }
    // Should the window have gone first, the work has been asked to stop; its
    // last lines are sent to a window that is no more, which fails at once.
    while (working) {
        working = WaitForWorkOrMessage(true, &worker) != WAIT_OBJECT_0;
        if (working)
            HandleWaitingMessages();
    }
    (void)CloseHandle(worker);  // our own thread's handle
    return work.status;
}
