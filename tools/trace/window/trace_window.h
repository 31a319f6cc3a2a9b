// The trace's window: a top-level window whose client area holds the status
// area (what is traced, where each setting came from, the requests so far
// and the current finding) above the log: a multi-line, read-only edit
// control in a fixed-pitch font that scrolls up and down only, its long lines
// wrapped. The traced work hands its lines over from its own thread; the
// window shows them in its thread, in the order given, and the trace's own
// line follows each request's. Shown as the module's log, or by default as
// one readable block per request, made from the bytes the request read. The
// control shown takes the lines in batches (redrawing it for every line would
// hold up the reader so long that the port's input overflowed), keeps a
// bounded amount of text, dropping its oldest lines, and can mirror every new
// line to a file such as standard output.
#pragma once

#include <stddef.h>
#include <stdio.h>
#include <windows.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <string>

#include "serial/debug_output.h"
#include "tools/trace/session/line_receiver.h"
#include "tools/trace/session/request_view.h"
#include "tools/trace/session/setting_source.h"
#include "tools/trace/session/trace_session.h"
#include "tools/trace/trace_options.h"
#include "tools/trace/watch/watched_hosts_text.h"
#include "tools/trace/window/status_area.h"
#include "tools/trace/window/text_batch.h"
#include "tools/trace/window/trace_menu.h"

class TraceWindow : public RequestReport, public LineReceiver {
public:
    // moduleLog: show the module's log line by line instead of the request
    // view. mirror and utf8Copy may be null; each gets every line when the
    // control does, utf8Copy as UTF-8. keepCharacters below four of the log's
    // longest messages is raised to that.
    TraceWindow(size_t keepCharacters, bool moduleLog, FILE* mirror, FILE* utf8Copy = NULL);
    ~TraceWindow();

    // Makes and shows the window; false, with nothing left behind, when
    // Windows refuses, and CreateFailure() then names the call it refused
    // and its error ("SetTimer failed: Windows error 8 (...)").
    bool Create(HINSTANCE instance, const char* title);
    const std::string& CreateFailure() const { return createFailure; }

    HWND Frame() const { return frame; }
    HWND Edit() const { return display; }
    HWND StatusControl() const { return status.Control(); }
    // The traced work is to end: the user has asked to close the window (and
    // WorkEnded then closes it), or has chosen something else to trace.
    bool WorkToStop() const { return workToStop; }
    const std::atomic<bool>* StopFlag() const { return &workToStop; }
    // From either thread: what is traced now, in the title, the menu and the
    // status area. portText: the port and where it came from.
    void ShowTraced(const TraceOptions& options, const std::string& portText, SettingSource baudSource,
                    SettingSource sizeSource);
    // From either thread: the hosts watched, in the title and the status
    // area in place of what is traced, until ShowTraced brings it back.
    void ShowWatched(const WatchedHostsText& hosts);
    // From either thread: the current finding, in the status area, until
    // the next request's.
    void ShowFinding(const std::string& finding);
    // From either thread: how late the watched host's packets are.
    void ShowLatePackets(const std::string& late);
    // New traced work begins: the requests and findings start afresh.
    void WorkStarted();
    // True, with the choice and what was traced when it was made, when the
    // user has chosen in the menu something else to trace and the window
    // stays; the choice is then taken.
    bool TakeNewChoice(TraceChoice* choice, TraceChoice* tracedBefore);
    // The traced work has ended. The window closes now when closeWindow is
    // true or the user has asked for it, otherwise when the user does.
    void WorkEnded(bool closeWindow);
    // Shows at once what the log and the trace have gathered for the control.
    void ShowGathered() { FlushPending(); }
    // From the traced work's thread: the request's record, shown in the
    // window's thread after the lines so far.
    void RequestEnded(const RequestRecord& request) override;
    // From either thread: a line of the traced work's (cut to the log's
    // longest message), shown with the next batch or before the next
    // request's record. A window that has gone takes no more.
    void Line(const std::string& line) override;

private:
    TraceWindow(const TraceWindow&);
    TraceWindow& operator=(const TraceWindow&);

    static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnFrameMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool CreateEdit();
    // The call named has just failed: says so, with its error if it set one.
    void Refused(const char* call);
    HWND CreateEditControl(DWORD style, const RECT& area);
    LRESULT CallEdit(UINT message, WPARAM wParam, LPARAM lParam);
    void TakeQueuedLines();
    void ShowLine(const std::string& line);
    void Gather(const char* text);
    void FlushPending();
    void ShowBatch();
    void FlushMirror();
    void DropOldestLines(size_t dropAtLeast);
    void Layout(int width, int height);
    void SetStatus(StatusField field, const std::string& text);
    // From either thread: a status field shown in the window's thread.
    void SendStatus(StatusField field, const std::string& text);

    HINSTANCE instance;
    HWND frame;
    HWND display;  // the control shown
    StatusArea status;
    HFONT font;
    bool ownsFont;
    TextBatch batch;
    // The work's lines not yet taken by the window's thread.
    std::mutex queueLock;
    std::deque<std::string> queued;  // guarded by queueLock
    size_t queuedCharacters;         // guarded by queueLock: each line with its CR LF
    bool moduleLog;
    std::string createFailure;  // said at the call that failed, before any clean-up
    // The frame as the traced work's thread may address it; null once it goes.
    std::atomic<HWND> frameForWork;
    RequestView view;
    FILE* mirror;
    FILE* utf8Copy;
    std::atomic<bool> closeRequested;
    std::atomic<bool> workToStop;
    bool workDone;
    TraceChoice traced;     // what the work traces, for the menu's checks
    TraceChoice newChoice;  // chosen in the menu, when hasNewChoice
    bool hasNewChoice;
};
