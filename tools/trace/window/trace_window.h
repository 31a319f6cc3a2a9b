// The trace's window: a top-level window whose client area holds the status
// area (what is traced, where each setting came from, the requests so far
// and the current finding) above the log. The traced work hands its lines
// over from its own thread; the window shows them in its thread, in the order
// given, and the trace's own line follows each request's. Shown as the
// module's log, or by default as one readable block per request, made from
// the bytes the request read. What the user does in it (closing it, choosing
// in its menu) goes to the controller, which the traced work asks.
#pragma once

#include <stddef.h>
#include <stdio.h>
#include <windows.h>

#include <atomic>
#include <string>

#include "tools/trace/session/line_receiver.h"
#include "tools/trace/session/request_view.h"
#include "tools/trace/session/trace_session.h"
#include "tools/trace/session/traced_text.h"
#include "tools/trace/trace_controller.h"
#include "tools/trace/watch/watched_hosts_text.h"
#include "tools/trace/window/line_queue.h"
#include "tools/trace/window/log_control.h"
#include "tools/trace/window/status_area.h"

class TraceWindow : public RequestReport, public LineReceiver {
public:
    // moduleLog: show the module's log line by line instead of the request
    // view. mirror and utf8Copy may be null; each gets every line when the
    // log does, utf8Copy as UTF-8. keepCharacters below four of the log's
    // longest messages is raised to that.
    TraceWindow(TraceController& controller, size_t keepCharacters, bool moduleLog, FILE* mirror,
                FILE* utf8Copy = NULL);
    ~TraceWindow();

    // Makes and shows the window; false, with nothing left behind, when
    // Windows refuses, and CreateFailure() then names the call it refused
    // and its error ("SetTimer failed: Windows error 8 (...)").
    bool Create(HINSTANCE instance, const char* title);
    const std::string& CreateFailure() const { return createFailure; }

    HWND Frame() const { return frame; }
    HWND Edit() const { return log.Control(); }
    HWND StatusControl() const { return status.Control(); }
    // From either thread: what is traced now, in the title and the status
    // area.
    void ShowTraced(const TracedText& traced);
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
    // The traced work has ended: what it gathered is shown, and the window
    // closes when closeWindow is true, otherwise when the user closes it.
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

    struct SettingsShown;

    static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnFrameMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool CreateControls();
    // The call named has just failed: says so, with its error if it set one.
    void Refused(const char* call);
    void ShowRequest(const RequestRecord& request);
    void ShowSettings(const SettingsShown& shown);
    void TakeQueuedLines();
    void FlushPending();
    void Layout(int width, int height);
    void SetStatus(StatusField field, const std::string& text);
    // From either thread: a message handled in the window's thread before it
    // returns, unless the window has gone.
    void SendToFrame(UINT message, WPARAM wParam, LPARAM lParam);

    TraceController& controller;
    HINSTANCE instance;
    HWND frame;
    StatusArea status;
    LogControl log;
    HFONT font;
    bool ownsFont;
    // The work's lines not yet taken by the window's thread.
    LineQueue queue;
    bool moduleLog;
    std::string createFailure;  // said at the call that failed, before any clean-up
    // The frame as the traced work's thread may address it; null once it goes.
    std::atomic<HWND> frameForWork;
    RequestView view;
};
