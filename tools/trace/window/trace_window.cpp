#include "tools/trace/window/trace_window.h"

#include <algorithm>

#include "serial/debug_output.h"
#include "tools/cli/windows_error.h"
#include "tools/trace/window/trace_menu.h"

namespace {

const char WINDOW_CLASS[] = "ArdunTraceWindow";
// Gathered lines reach the control ten times a second.
const UINT_PTR FLUSH_TIMER = 1;
const UINT FLUSH_MILLISECONDS = 100;
// Sent by the traced work when a request has ended.
const UINT WM_REQUEST_ENDED = WM_APP + 1;
// Sent with what is traced now, or the hosts watched: a SettingsShown.
const UINT WM_SHOW_SETTINGS = WM_APP + 2;
// Sent with the current finding.
const UINT WM_SHOW_FINDING = WM_APP + 3;  // wParam: the StatusField, Finding or LatePackets
// Sent by the traced work when its lines waiting fill a quarter of what the
// window keeps.
const UINT WM_TAKE_LINES = WM_APP + 4;

}  // namespace

// The title and the status area's settings, a trace's or a watch's.
struct TraceWindow::SettingsShown {
    std::string title;
    std::string host;  // a watched host's, with its time-outs
    std::string port;
    std::string baudRate;
    std::string size;
    std::string timeouts;
};

TraceWindow::TraceWindow(TraceController& controller, size_t keepCharacters, bool moduleLog, FILE* mirror,
                         FILE* utf8Copy)
    : controller(controller),
      instance(NULL),
      frame(NULL),
      status(),
      log(keepCharacters, mirror, utf8Copy),
      font(NULL),
      ownsFont(false),
      queue(log.Keep(), LOG_TEXT_CAPACITY),
      moduleLog(moduleLog),
      createFailure(),
      frameForWork(NULL)
{
}

TraceWindow::~TraceWindow()
{
    log.FlushCopies();
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
        return CreateControls() ? 0 : -1;
    case WM_SIZE:
        Layout(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_SETFOCUS:
        if (log.Control() != NULL)
            (void)SetFocus(log.Control());  // the result is the window that had the focus
        return 0;
    case WM_CTLCOLORSTATIC:
        // A read-only control is grey, which sets the status area apart; the
        // log reads better on the window colour.
        if (reinterpret_cast<HWND>(lParam) == status.Control())
            return DefWindowProcA(frame, message, wParam, lParam);
        (void)SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return (LRESULT)GetSysColorBrush(COLOR_WINDOW);
    case WM_CLOSE:
        if (controller.CloseAsked())
            (void)DestroyWindow(frame);  // cannot fail on our own window
        return 0;
    case WM_INITMENUPOPUP:
        PrepareTraceMenu(GetMenu(frame), reinterpret_cast<HMENU>(wParam), controller.Traced());
        return 0;
    case WM_COMMAND: {
        TraceChoice chosen;
        // A control's notice (lParam its window) is no menu command.
        if (lParam != 0 || !ChoiceOfCommand(LOWORD(wParam), controller.Traced(), &chosen))
            return DefWindowProcA(frame, message, wParam, lParam);
        controller.Chosen(chosen);
        return 0;
    }
    case WM_SHOW_SETTINGS:
        ShowSettings(*reinterpret_cast<const SettingsShown*>(lParam));
        return 0;
    case WM_SHOW_FINDING:
        SetStatus(wParam == (WPARAM)StatusField::LatePackets ? StatusField::LatePackets
                                                             : StatusField::Finding,
                  reinterpret_cast<const char*>(lParam));
        return 0;
    case WM_TIMER:
        FlushPending();
        return 0;
    case WM_REQUEST_ENDED:
        ShowRequest(*reinterpret_cast<const RequestRecord*>(lParam));
        return 0;
    case WM_TAKE_LINES:
        TakeQueuedLines();
        return 0;
    case WM_DESTROY:
        frameForWork = NULL;
        controller.WindowGone();
        TakeQueuedLines();
        log.FlushCopies();
        (void)KillTimer(frame, FLUSH_TIMER);  // fails only when there was none
        log.Gone();                           // the controls go with the frame
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

bool TraceWindow::CreateControls()
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
    SetLastError(ERROR_SUCCESS);
    if (!log.Create(frame, instance, font, client)) {
        Refused("CreateWindowEx for the log");
        return false;  // the frame is refused and goes
    }
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

// The status area on top, as high as its wrapped lines need, and the log
// below it. A control that cannot be moved keeps its size: nothing more to do.
void TraceWindow::Layout(int width, int height)
{
    status.Place(width);
    const int top = std::min(status.Height(), height);
    if (log.Control() != NULL)
        (void)MoveWindow(log.Control(), 0, top, width, height - top, TRUE);
}

void TraceWindow::SetStatus(StatusField field, const std::string& text)
{
    RECT client;
    if (status.Set(field, text) && GetClientRect(frame, &client))  // no client: no layout to redo
        Layout(client.right, client.bottom);
}

void TraceWindow::ShowSettings(const SettingsShown& shown)
{
    (void)SetWindowTextA(frame, shown.title.c_str());  // a title not changed is only out of date
    SetStatus(StatusField::Host, shown.host);
    SetStatus(StatusField::Port, shown.port);
    SetStatus(StatusField::BaudRate, shown.baudRate);
    SetStatus(StatusField::Size, shown.size);
    SetStatus(StatusField::Timeouts, shown.timeouts);
}

// The request's lines after the work's lines so far, which are its own; the
// tally and the finding in the status area.
void TraceWindow::ShowRequest(const RequestRecord& request)
{
    if (log.Control() == NULL)
        return;  // the control has gone with a closing window
    TakeQueuedLines();
    if (moduleLog) {
        log.ShowLine(request.line);
        for (const std::string& line : view.MeasureFrames(request))
            log.ShowLine(line);
    } else {
        for (const std::string& line : view.RequestEnded(request))
            log.ShowLine(line);
    }
    SetStatus(StatusField::Requests, view.TallyText());
    SetStatus(StatusField::Finding, view.FindingText());
}

void TraceWindow::SendToFrame(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND target = frameForWork;
    if (target != NULL)
        (void)SendMessageA(target, message, wParam, lParam);  // the window handles it or is gone
}

void TraceWindow::RequestEnded(const RequestRecord& request)
{
    SendToFrame(WM_REQUEST_ENDED, 0, (LPARAM)&request);
}

void TraceWindow::ShowTraced(const TracedText& traced)
{
    const SettingsShown shown = {traced.title, "", traced.port, traced.baudRate, traced.size, ""};
    SendToFrame(WM_SHOW_SETTINGS, 0, (LPARAM)&shown);
}

void TraceWindow::ShowWatched(const WatchedHostsText& hosts)
{
    const SettingsShown shown = {hosts.title,    hosts.host, hosts.port,
                                 hosts.baudRate, hosts.size, hosts.timeouts};
    SendToFrame(WM_SHOW_SETTINGS, 0, (LPARAM)&shown);
}

void TraceWindow::ShowFinding(const std::string& finding)
{
    SendToFrame(WM_SHOW_FINDING, (WPARAM)StatusField::Finding, (LPARAM)finding.c_str());
}

void TraceWindow::ShowLatePackets(const std::string& late)
{
    SendToFrame(WM_SHOW_FINDING, (WPARAM)StatusField::LatePackets, (LPARAM)late.c_str());
}

void TraceWindow::WorkStarted()
{
    view = RequestView();
    SetStatus(StatusField::Requests, "");
    SetStatus(StatusField::Finding, "");
}

void TraceWindow::WorkEnded(bool closeWindow)
{
    FlushPending();
    if (closeWindow && frame != NULL)
        (void)DestroyWindow(frame);  // cannot fail on our own window
}

void TraceWindow::Line(const std::string& line)
{
    if (frameForWork.load() == NULL)
        return;  // no window left to show it
    // Handled before it returns, as each line was when the window read them
    // from a control: a slow window holds up the work, and the copy on the
    // console loses no line.
    if (queue.Add(line))
        SendToFrame(WM_TAKE_LINES, 0, 0);
}

void TraceWindow::TakeQueuedLines()
{
    const std::deque<std::string> lines = queue.Take();
    if (log.Control() == NULL)
        return;
    for (const std::string& text : lines)
        log.ShowText(text);
}

void TraceWindow::FlushPending()
{
    TakeQueuedLines();
    log.Flush();
}
