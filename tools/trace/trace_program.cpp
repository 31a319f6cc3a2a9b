#include "tools/trace/trace_program.h"

#include <stdio.h>

#include <string>

#include "common/kernel_handle.h"
#include "settings/port_setting.h"
#include "tools/cli/windows_error.h"
#include "tools/trace/exit_status.h"
#include "tools/trace/find/device_finder.h"
#include "tools/trace/out_file.h"
#include "tools/trace/session/trace_session.h"
#include "tools/trace/session/traced_text.h"
#include "tools/trace/trace_controller.h"
#include "tools/trace/watch/watch_command.h"
#include "tools/trace/watch/watched_hosts_text.h"
#include "tools/trace/window/trace_window.h"

namespace {

// One run of the traced work: a search first when asked for, then a trace.
struct TracedWork {
    TraceWindow* window;
    TraceController* control;  // asked whether to stop, and for the next choice
    TraceOptions options;      // the port PORT_FROM_SETTINGS for the settings file's
    bool find;
    bool watch;        // watch the hosts that run the plug-in instead of tracing
    int status;        // of the latest run
    uint32_t packets;  // over every run
    SettingSource portSource;
    SettingSource baudSource;
    SettingSource sizeSource;
};

// Where the command line's settings come from: a value equal to the
// default is the default, whether typed or not.
TracedWork WorkOfCommandLine(TraceWindow* window, TraceController* control, const TraceOptions& options)
{
    const TraceOptions defaults;
    return {window,
            control,
            options,
            false,
            options.watch,
            TRACE_EXIT_FAILED,
            0,
            options.port == PORT_FROM_SETTINGS ? SettingSource::SettingsFile : SettingSource::CommandLine,
            options.baudRate == defaults.baudRate ? SettingSource::Default : SettingSource::CommandLine,
            options.size == defaults.size ? SettingSource::Default : SettingSource::CommandLine};
}

// What is traced now, for the menu and in the window; portText: the port set
// for the trace and where it came from.
void ShowTraced(const TracedWork& work, const std::string& portText)
{
    work.control->Tracing(TracedChoice(work.options));
    work.window->ShowTraced(DescribeTraced(work.options, portText, work.baudSource, work.sizeSource));
}

// Searches every port; true, with the options set to trace what was found,
// when a device was found.
bool FindForTrace(TracedWork* work)
{
    TraceWindow* window = work->window;
    const TraceController* control = work->control;
    const std::string where = "on every COM port that opens, " + SearchTimeText();
    window->Line("Looking for the device " + where);
    window->ShowFinding("Find: looking for the device " + where);
    const std::vector<FoundDevice> devices = FindDevices(
        EVERY_COM_PORT, [window](const std::string& line) { window->Line(line); }, control->StopFlag());
    if (control->WorkToStop())
        return false;  // cut short: the window closes, or traces another choice
    if (devices.empty()) {
        // Frames too long to ask for may have been found and said.
        window->Line("No Ardun device a host can read: the trace goes on as before");
        window->ShowFinding("Find found no Ardun device a host can read; the trace goes on as before");
        return false;
    }
    const FoundDevice& device = devices.front();
    work->options.port = device.port;
    work->options.size = device.payloadLength;
    work->portSource = work->sizeSource = SettingSource::Find;
    // A virtual pair carries the frames at every rate: the one traced stays.
    if (device.anyRate) {
        work->baudSource = SettingSource::AnyRate;
    } else {
        work->options.baudRate = device.baudRate;
        work->baudSource = SettingSource::Find;
    }
    return true;
}

// The watch of the hosts in the window: its lines in the log, the hosts'
// settings in the title and the status area with their findings, until the
// watch ends (the hosts, or --seconds) or the user chooses something else;
// then the trace's own settings again.
void WatchForWindow(TracedWork* work)
{
    TraceWindow* window = work->window;
    WatchedHostsText shownHosts = DescribeWatchedHosts({});
    window->ShowWatched(shownHosts);
    window->ShowFinding("Watch: looking for a host that runs the plug-in");
    std::string shownFinding, shownLate;
    WatchOutput output;
    output.say = [window](const std::string& line) { window->Line(line); };
    output.status = [window, &shownHosts, &shownFinding,
                     &shownLate](const std::vector<HostWatchStatus>& hosts, const std::string& finding,
                                 const std::string& late) {
        const WatchedHostsText hostsText = DescribeWatchedHosts(hosts);
        if (hostsText != shownHosts)
            window->ShowWatched(hostsText);
        if (finding != shownFinding)
            window->ShowFinding(finding);
        if (late != shownLate)
            window->ShowLatePackets(late);
        shownHosts = hostsText;
        shownFinding = finding;
        shownLate = late;
    };
    const TraceController* control = work->control;
    output.stopRequested = [control] { return control->WorkToStop(); };
    // --pid and --seconds, typed with --watch, hold for every watch of the window.
    work->status = WatchHosts(work->options, output);
    window->ShowLatePackets("");
    ShowTraced(*work, SetPortSettingForTrace(work->options, work->portSource));
}

DWORD WINAPI RunTracedWork(void* parameter)
{
    TracedWork* work = static_cast<TracedWork*>(parameter);
    TraceWindow* window = work->window;
    const TraceController* control = work->control;
    if (work->watch) {
        WatchForWindow(work);
        return 0;
    }
    if (work->find)
        (void)FindForTrace(work);  // what it found is traced, or else what was traced before
    if (control->WorkToStop())
        return 0;
    const TraceOptions& options = work->options;
    std::string settingsFileNote;
    const std::string port = SetPortSettingForTrace(options, work->portSource, &settingsFileNote);
    ShowTraced(*work, port);
    TraceSession session(TheComponent, window, window, options);
    window->Line("Port " + port + "; " + std::to_string(options.baudRate) + " baud, " +
                 std::to_string(options.size) + "-byte packets");
    if (!settingsFileNote.empty())
        window->Line(settingsFileNote);
    if (!session.Open()) {
        window->ShowFinding(session.OpenFailure());
        work->status = TRACE_EXIT_FAILED;
        return 0;
    }
    while (!control->WorkToStop() && (options.count == 0 || session.Requests() < options.count))
        (void)session.RequestPacket();
    session.Close();
    work->packets += session.Packets();
    work->status = session.Packets() > 0 ? TRACE_EXIT_OK : TRACE_EXIT_NOTHING;
    return 0;
}

// The work has ended: the window shows what it gathered, and closes when
// closeWindow is true or the user has asked for it.
void EndWork(TracedWork* work, bool closeWindow)
{
    work->window->WorkEnded(work->control->WorkEnded(closeWindow));
}

// Starts the work on a thread of its own; none, having said why, when it cannot.
KernelHandle StartWork(TracedWork* work)
{
    work->control->WorkStarted();
    work->window->WorkStarted();
    const HANDLE worker = CreateThread(NULL, 0, RunTracedWork, work, 0, NULL);
    if (worker == NULL) {
        fprintf(stderr, "ardun-trace: the trace could not be started: %s\n",
                DescribeWindowsError(GetLastError()).c_str());
        EndWork(work, false);  // so that the window can still be closed
    }
    return KernelHandle(worker);
}

// The work the user chose in the window's menu, started; null when nothing
// new was chosen (or it could not be started).
KernelHandle StartChosenWork(TracedWork* work)
{
    TraceChoice choice, before;
    if (!work->control->TakeNewChoice(&choice, &before))
        return KernelHandle();
    // Only the setting chosen changes, and with it where it came from.
    if (choice.port != before.port) {
        work->options.port = choice.port;
        work->portSource = SettingSource::Menu;
    }
    if (choice.baudRate != before.baudRate) {
        work->options.baudRate = choice.baudRate;
        work->baudSource = SettingSource::Menu;
    }
    if (choice.size != before.size) {
        work->options.size = choice.size;
        work->sizeSource = SettingSource::Menu;
    }
    work->find = choice.find;
    work->watch = choice.watch;
    return StartWork(work);
}

// Waits for the worker's end (while working) or a message. Only a bad handle
// makes the wait fail, and then the worker may still use the caller's stack:
// the process ends, and its end closes the port.
DWORD WaitForWorkOrMessage(bool working, const KernelHandle& worker)
{
    HANDLE waitedFor = worker.Get();
    const DWORD waited = MsgWaitForMultipleObjects(working ? 1 : 0, &waitedFor, FALSE, INFINITE, QS_ALLINPUT);
    if (waited == WAIT_FAILED) {
        fprintf(stderr, "ardun-trace: waiting for the trace failed: %s\n",
                DescribeWindowsError(GetLastError()).c_str());
        ExitProcess(TRACE_EXIT_FAILED);
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

int RunTraceWindow(HINSTANCE instance, const TraceOptions& options, FILE* mirror, FILE* outFile)
{
    TraceController control;
    TraceWindow window(control, options.keepCharacters, options.log, mirror, outFile);
    TracedWork work = WorkOfCommandLine(&window, &control, options);
    // The settings file's port, read now for the title, the menu and the status area.
    const std::string port = SetPortSettingForTrace(options, work.portSource);
    if (!window.Create(instance, (std::string("Ardun Trace - ") + PortSetting).c_str())) {
        fprintf(stderr, "ardun-trace: the window could not be made: %s\n", window.CreateFailure().c_str());
        return TRACE_EXIT_FAILED;
    }
    ShowTraced(work, port);
    KernelHandle worker = StartWork(&work);
    if (!worker.IsOpen())
        return TRACE_EXIT_FAILED;
    // The work's log lines are sent to the window, so this thread keeps
    // handling messages until the work has ended and the window has gone.
    bool working = true;
    while (window.Frame() != NULL) {
        const DWORD waited = WaitForWorkOrMessage(working, worker);
        if (working && waited == WAIT_OBJECT_0) {
            worker.Close();  // the ended thread's
            worker = StartChosenWork(&work);
            working = worker.IsOpen();
            // With --count the trace ends with its work; without, the window
            // stays for the user to read until closed.
            if (!working)
                EndWork(&work, options.count != 0);
            continue;
        }
        HandleWaitingMessages();
        if (!working && window.Frame() != NULL) {
            worker = StartChosenWork(&work);  // a choice made once the work had ended
            working = worker.IsOpen();
        }
    }
    // Should the window have gone first, the work has been asked to stop; its
    // last lines are sent to a window that is no more, which fails at once.
    while (working) {
        working = WaitForWorkOrMessage(true, worker) != WAIT_OBJECT_0;
        if (working)
            HandleWaitingMessages();
    }
    return work.packets > 0 ? TRACE_EXIT_OK : work.status;
}

}  // namespace

int RunTrace(HINSTANCE instance, const TraceOptions& options, FILE* mirror)
{
    OutFile out;
    if (!out.Open(options.out))
        return TRACE_EXIT_FAILED;
    return RunTraceWindow(instance, options, mirror, out.File());
}
