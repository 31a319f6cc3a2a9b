#include "tools/trace/window/trace_window.h"

#include <stdio.h>

#include <algorithm>

#include "settings/port_number.h"
#include "settings/port_setting.h"
#include "tools/cli/windows_error.h"
#include "tools/trace/utf8_text.h"

namespace {

const char WINDOW_CLASS[] = "ArdunTraceWindow";
// Gathered lines reach the control ten times a second.
const UINT_PTR FLUSH_TIMER = 1;
const UINT FLUSH_MILLISECONDS = 100;
// Sent by the traced work when a request has ended.
const UINT WM_REQUEST_ENDED = WM_APP + 1;
// Sent with what is traced now.
const UINT WM_SHOW_TRACED = WM_APP + 2;
// Sent with the current finding.
const UINT WM_SHOW_FINDING = WM_APP + 3;  // wParam: the StatusField, Finding or LatePackets
// Sent by the traced work when its lines waiting fill a quarter of what the
// window keeps.
const UINT WM_TAKE_LINES = WM_APP + 4;
// Sent with the hosts watched, a TracedShown whose choice is not taken.
const UINT WM_SHOW_WATCHED = WM_APP + 5;

struct TracedShown {
    TraceChoice choice;
    std::string title;
    std::string port;
    std::string baudRate;
    std::string size;
    std::string host;  // a watched host's, with its time-outs
    std::string timeouts;
};

// Handled before it returns, in the window's thread.
void SendShown(HWND target, UINT message, const TracedShown& shown)
{
    if (target != NULL)
        (void)SendMessageA(target, message, 0, (LPARAM)&shown);  // the window shows it or is gone
}

}  // namespace

TraceWindow::TraceWindow(size_t keepCharacters, bool moduleLog, FILE* mirror, FILE* utf8Copy)
    : instance(NULL),
      frame(NULL),
      display(NULL),
      status(),
      font(NULL),
      ownsFont(false),
      batch(keepCharacters, LOG_TEXT_CAPACITY),  // a line is at most one of the log's messages
      queuedCharacters(0),
      moduleLog(moduleLog),
      createFailure(),
      frameForWork(NULL),
      mirror(mirror),
      utf8Copy(utf8Copy),
      closeRequested(false),
      workToStop(false),
      workDone(false),
      traced(),
      newChoice(),
      hasNewChoice(false)
{
}

TraceWindow::~TraceWindow()
{
    FlushMirror();
    if (frame != NULL)
        (void)DestroyWindow(frame);  // fails only for a window of another thread
    if (ownsFont)
        (void)DeleteObject(font);  // nothing uses the font any more
}

bool TraceWindow::Create(HINSTANCE instance, const char* title)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = FrameProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(NULL, IDI_APPLICATION);  // null is a blank icon
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    windowClass.lpszClassName = WINDOW_CLASS;
    this->instance = instance;
    createFailure.clear();
    // Each call that may fail starts with no error set, so that one it
    // does not set is never taken for an older one.
    SetLastError(ERROR_SUCCESS);
    if (RegisterClassA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        Refused("RegisterClass");
        return false;
    }
    SetLastError(ERROR_SUCCESS);
    const HMENU menu = CreateTraceMenu();
    if (menu == NULL) {
        Refused("Making the menu");
        return false;
    }
    // The frame makes its controls on WM_CREATE and sets `frame` itself; a
    // control that could not be made has saved its own error. The window
    // owns its menu from here on.
    SetLastError(ERROR_SUCCESS);
    if (CreateWindowExA(0, WINDOW_CLASS, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 900, 560,
                        NULL, menu, instance, this) == NULL) {
        if (createFailure.empty())
            Refused("CreateWindowEx for the frame");
        // A window that was made and then refused on WM_CREATE has taken the
        // menu with it.
        if (IsMenu(menu))
            (void)DestroyMenu(menu);
        return false;
    }
    // Without the timer, gathered lines would show only in large steps.
    SetLastError(ERROR_SUCCESS);
    if (SetTimer(frame, FLUSH_TIMER, FLUSH_MILLISECONDS, NULL) == 0) {
        Refused("SetTimer");         // before the clean-up can change the error
        (void)DestroyWindow(frame);  // our own window: cannot fail
        return false;
    }
    frameForWork = frame;
    (void)ShowWindow(frame, SW_SHOWNORMAL);  // the result is the earlier visibility
    (void)UpdateWindow(frame);               // a missed first paint is made up by the next
    return true;
}

LRESULT CALLBACK TraceWindow::FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        TraceWindow* self = static_cast<TraceWindow*>(
            reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->frame = window;
        (void)SetWindowLongPtrA(window, GWLP_USERDATA, (LONG_PTR)self);  // cannot fail on our own window
    }
    TraceWindow* self = reinterpret_cast<TraceWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == NULL)
        return DefWindowProcA(window, message, wParam, lParam);
    return self->OnFrameMessage(message, wParam, lParam);
}

LRESULT TraceWindow::OnFrameMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return CreateEdit() ? 0 : -1;
    case WM_SIZE:
        Layout(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_SETFOCUS:
        if (display != NULL)
            (void)SetFocus(display);  // the result is the window that had the focus
        return 0;
    case WM_CTLCOLORSTATIC:
        // A read-only control is grey, which sets the status area apart; the
        // log reads better on the window colour.
        if (reinterpret_cast<HWND>(lParam) == status.Control())
            return DefWindowProcA(frame, message, wParam, lParam);
        (void)SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return (LRESULT)GetSysColorBrush(COLOR_WINDOW);
    case WM_CLOSE:
        // The port is closed before the window goes: while the work runs, it
        // is asked to stop and closes the window when it is done.
        if (workDone) {
            (void)DestroyWindow(frame);  // cannot fail on our own window
        } else {
            closeRequested = true;
            workToStop = true;
        }
        return 0;
    case WM_INITMENUPOPUP:
        PrepareTraceMenu(GetMenu(frame), reinterpret_cast<HMENU>(wParam), traced);
        return 0;
    case WM_COMMAND: {
        TraceChoice chosen;
        // A control's notice (lParam its window) is no menu command.
        if (lParam != 0 || !ChoiceOfCommand(LOWORD(wParam), traced, &chosen))
            return DefWindowProcA(frame, message, wParam, lParam);
        newChoice = chosen;
        hasNewChoice = true;
        workToStop = true;
        return 0;
    }
    case WM_SHOW_TRACED:
    case WM_SHOW_WATCHED: {
        const TracedShown& shown = *reinterpret_cast<const TracedShown*>(lParam);
        // A watch leaves the trace's choice to the menu, for the trace after it.
        if (message == WM_SHOW_TRACED)
            traced = shown.choice;
        (void)SetWindowTextA(frame, shown.title.c_str());  // a title not changed is only out of date
        SetStatus(StatusField::Host, shown.host);
        SetStatus(StatusField::Port, shown.port);
        SetStatus(StatusField::BaudRate, shown.baudRate);
        SetStatus(StatusField::Size, shown.size);
        SetStatus(StatusField::Timeouts, shown.timeouts);
        return 0;
    }
    case WM_SHOW_FINDING:
        SetStatus(wParam == (WPARAM)StatusField::LatePackets ? StatusField::LatePackets
                                                             : StatusField::Finding,
                  reinterpret_cast<const char*>(lParam));
        return 0;
    case WM_TIMER:
        FlushPending();
        return 0;
    case WM_REQUEST_ENDED: {
        const RequestRecord& request = *reinterpret_cast<const RequestRecord*>(lParam);
        if (display == NULL)
            return 0;       // the control has gone with a closing window
        TakeQueuedLines();  // the lines of the request come before its own
        if (moduleLog) {
            ShowLine(request.line);
            for (const std::string& line : view.MeasureFrames(request))
                ShowLine(line);
        } else {
            for (const std::string& line : view.RequestEnded(request))
                ShowLine(line);
        }
        SetStatus(StatusField::Requests, view.TallyText());
        SetStatus(StatusField::Finding, view.FindingText());
        return 0;
    }
    case WM_TAKE_LINES:
        TakeQueuedLines();
        return 0;
    case WM_DESTROY:
        frameForWork = NULL;
        closeRequested = true;  // should anything but WorkEnded end the window
        workToStop = true;
        TakeQueuedLines();
        FlushMirror();
        (void)KillTimer(frame, FLUSH_TIMER);  // fails only when there was none
        display = NULL;                       // the controls go with the frame
        return 0;
    case WM_NCDESTROY: {
        const HWND window = frame;
        (void)SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        frame = NULL;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    default:
        return DefWindowProcA(frame, message, wParam, lParam);
    }
}

// The status area on top, as high as its wrapped lines need, and the log
// below it. A control that cannot be moved keeps its size: nothing more to do.
void TraceWindow::Layout(int width, int height)
{
    status.Place(width);
    const int top = std::min(status.Height(), height);
    if (display != NULL)
        (void)MoveWindow(display, 0, top, width, height - top, TRUE);
}

void TraceWindow::SetStatus(StatusField field, const std::string& text)
{
    RECT client;
    if (status.Set(field, text) && GetClientRect(frame, &client))  // no client: no layout to redo
        Layout(client.right, client.bottom);
}

void TraceWindow::RequestEnded(const RequestRecord& request)
{
    // Handled before it returns; a window that has gone shows nothing more.
    const HWND target = frameForWork;
    if (target != NULL)
        (void)SendMessageA(target, WM_REQUEST_ENDED, 0, (LPARAM)&request);  // the window shows it or is gone
}

void TraceWindow::ShowTraced(const TraceOptions& options, const std::string& portText,
                             SettingSource baudSource, SettingSource sizeSource)
{
    const int32_t configured = GetConfiguredPortNumber();
    const uint32_t tracedPort = options.port != PORT_FROM_SETTINGS ? options.port
                                : configured >= 0                  ? (uint32_t)configured
                                                                   : PORT_FROM_SETTINGS;  // checks no port
    const std::string baudRate = std::to_string(options.baudRate) + " baud";
    const std::string size = std::to_string(options.size) + "-byte packets";
    const TracedShown shown = {{tracedPort, options.baudRate, options.size, false, false},
                               std::string("Ardun Trace - ") + PortSetting + ", " + baudRate + ", " + size,
                               portText,
                               baudRate + ", " + SettingSourceText(baudSource),
                               size + ", " + SettingSourceText(sizeSource),
                               "",
                               ""};
    SendShown(frameForWork, WM_SHOW_TRACED, shown);
}

void TraceWindow::ShowWatched(const WatchedHostsText& hosts)
{
    SendShown(
        frameForWork, WM_SHOW_WATCHED,
        {TraceChoice(), hosts.title, hosts.port, hosts.baudRate, hosts.size, hosts.host, hosts.timeouts});
}

void TraceWindow::ShowFinding(const std::string& finding)
{
    SendStatus(StatusField::Finding, finding);
}

void TraceWindow::ShowLatePackets(const std::string& late)
{
    SendStatus(StatusField::LatePackets, late);
}

void TraceWindow::SendStatus(StatusField field, const std::string& text)
{
    // Handled before it returns, in the window's thread: shown, or the window is gone.
    const HWND target = frameForWork;
    if (target != NULL)
        (void)SendMessageA(target, WM_SHOW_FINDING, (WPARAM)field, (LPARAM)text.c_str());
}

void TraceWindow::WorkStarted()
{
    workDone = false;
    workToStop = closeRequested.load();
    view = RequestView();
    SetStatus(StatusField::Requests, "");
    SetStatus(StatusField::Finding, "");
}

bool TraceWindow::TakeNewChoice(TraceChoice* choice, TraceChoice* tracedBefore)
{
    if (!hasNewChoice || closeRequested)
        return false;
    *choice = newChoice;
    *tracedBefore = traced;
    hasNewChoice = false;
    return true;
}

void TraceWindow::WorkEnded(bool closeWindow)
{
    workDone = true;
    FlushPending();
    if ((closeWindow || closeRequested) && frame != NULL)
        (void)DestroyWindow(frame);  // cannot fail on our own window
}

// An edit control of the frame's, with the trace's font and text limit; null
// with the failure said when refused.
HWND TraceWindow::CreateEditControl(DWORD style, const RECT& area)
{
    SetLastError(ERROR_SUCCESS);
    const HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | ES_MULTILINE | style, 0, 0,
                                      area.right, area.bottom, frame, NULL, instance, NULL);
    if (edit == NULL) {
        Refused("CreateWindowEx for the log");
        return NULL;
    }
    SendMessageA(edit, WM_SETFONT, (WPARAM)font, FALSE);  // no result
    // The default limit, 32767 characters, would hold a few seconds of trace.
    SendMessageA(edit, EM_SETLIMITTEXT, batch.ControlLimit(), 0);  // no result
    return edit;
}

bool TraceWindow::CreateEdit()
{
    RECT client;
    SetLastError(ERROR_SUCCESS);
    if (!GetClientRect(frame, &client)) {
        Refused("GetClientRect");
        return false;
    }
    // Hex dumps line up only in a fixed-pitch font; the stock one stands in
    // where no such font can be made.
    font = CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New");
    ownsFont = font != NULL;
    if (!ownsFont)
        font = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
    // No horizontal scrolling: a long line wraps, so that no line is ever cut
    // on the left.
    display = CreateEditControl(WS_VISIBLE | WS_VSCROLL | ES_READONLY | ES_AUTOVSCROLL, client);
    if (display == NULL)
        return false;  // the frame is refused and goes
    // Made after the log, which stays the frame's first edit control.
    SetLastError(ERROR_SUCCESS);
    if (!status.Create(frame, instance, font)) {
        Refused("CreateWindowEx for the status area");
        return false;
    }
    return true;
}

void TraceWindow::Refused(const char* call)
{
    const DWORD error = GetLastError();
    createFailure = std::string(call) + (error == ERROR_SUCCESS ? " failed, and Windows gave no reason"
                                                                : " failed: " + DescribeWindowsError(error));
}

void TraceWindow::Line(const std::string& line)
{
    const HWND target = frameForWork;
    if (target == NULL)
        return;  // no window left to show it
    bool takeNow;
    {
        const std::lock_guard<std::mutex> guard(queueLock);
        // Cut as the log cuts a message, so that dropping the oldest lines
        // never has to reach the newest.
        queued.push_back(line.substr(0, LOG_TEXT_CAPACITY - 1));
        queuedCharacters += queued.back().size() + 2;
        // Past what the window keeps, the oldest would be dropped from it
        // anyway; only a window that cannot take them lets that happen.
        while (queuedCharacters > batch.Keep() && queued.size() > 1) {
            queuedCharacters -= queued.front().size() + 2;
            queued.pop_front();
        }
        takeNow = queuedCharacters >= batch.Keep() / 4;
    }
    // Handled before it returns, as each line was when the window read them
    // from a control: a slow window holds up the work, and the copy on the
    // console loses no line.
    if (takeNow)
        (void)SendMessageA(target, WM_TAKE_LINES, 0, 0);  // the window takes them or is gone
}

// Moves the work's lines to the batch. A line is shown as the log's control
// showed it: one holding CR LF as the lines between them, an empty one not at
// all.
void TraceWindow::TakeQueuedLines()
{
    std::deque<std::string> lines;
    {
        const std::lock_guard<std::mutex> guard(queueLock);
        lines.swap(queued);
        queuedCharacters = 0;
    }
    if (display == NULL)
        return;
    for (const std::string& text : lines) {
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find("\r\n", start);
            if (end == std::string::npos)
                end = text.size();
            if (end > start)
                ShowLine(text.substr(start, end - start));
            start = end + 2;
        }
    }
}

LRESULT TraceWindow::CallEdit(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(display, message, wParam, lParam);
}

// A line of the trace's own after what the control shows, CR LF only
// between lines, as the log adds its lines.
void TraceWindow::ShowLine(const std::string& line)
{
    if (batch.Pending() != 0 || CallEdit(WM_GETTEXTLENGTH, 0, 0) != 0)
        Gather("\r\n");
    Gather(line.c_str());
}

void TraceWindow::Gather(const char* text)
{
    batch.Add(text, mirror != NULL || utf8Copy != NULL);
    if (batch.MustFlush((size_t)CallEdit(WM_GETTEXTLENGTH, 0, 0)))
        ShowBatch();
}

void TraceWindow::FlushPending()
{
    TakeQueuedLines();
    ShowBatch();
}

// The batch to the control and the copy. The work's lines still queued wait
// for the next batch: taking them here, in the middle of showing the lines
// taken before, would show them out of order.
void TraceWindow::ShowBatch()
{
    FlushMirror();
    if (batch.Pending() == 0 || display == NULL)
        return;
    const size_t length = (size_t)CallEdit(WM_GETTEXTLENGTH, 0, 0);
    const size_t drop = batch.DropAtLeast(length);
    if (drop > 0)
        DropOldestLines(drop);
    const LRESULT end = CallEdit(WM_GETTEXTLENGTH, 0, 0);
    const std::string text = batch.TakeForControl((size_t)end);
    CallEdit(EM_SETSEL, end, end);
    CallEdit(EM_REPLACESEL, 0, (LPARAM)text.c_str());  // wParam 0: nothing to undo
}

// Writing the copy with the control's batch, not per line, keeps a slow
// console from holding up the reader.
void TraceWindow::FlushMirror()
{
    const std::string text = batch.TakeCopy();
    if (text.empty())
        return;
    // A full disk or a closed pipe loses the copy, never the trace.
    if (mirror != NULL) {
        (void)fputs(text.c_str(), mirror);
        (void)fflush(mirror);
    }
    if (utf8Copy != NULL) {
        (void)fputs(AnsiToUtf8(text).c_str(), utf8Copy);
        (void)fflush(utf8Copy);
    }
}

// Drops whole lines from the start, at least dropAtLeast characters. The
// control wraps long lines, so its own line numbers are not the log's: the
// log's lines are found at their CR LF, in as much of the text's start as
// holds the first line break past dropAtLeast.
void TraceWindow::DropOldestLines(size_t dropAtLeast)
{
    const size_t length = (size_t)CallEdit(WM_GETTEXTLENGTH, 0, 0);
    size_t keptStart = length;  // no later line: drop everything
    for (size_t look = dropAtLeast + LOG_TEXT_CAPACITY;; look *= 2) {
        std::string start(std::min(look, length) + 1, '\0');
        start.resize((size_t)CallEdit(WM_GETTEXT, (WPARAM)start.size(), (LPARAM)&start[0]));
        const size_t lineBreak = start.find("\r\n", dropAtLeast >= 2 ? dropAtLeast - 2 : 0);
        if (lineBreak != std::string::npos) {
            keptStart = lineBreak + 2;
            break;
        }
        if (look >= length)
            break;
    }
    CallEdit(EM_SETSEL, 0, keptStart);
    CallEdit(EM_REPLACESEL, 0, (LPARAM) "");
}
