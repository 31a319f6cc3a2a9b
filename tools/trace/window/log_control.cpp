#include "tools/trace/window/log_control.h"

#include <algorithm>

#include "serial/debug_output.h"

LogControl::LogControl(size_t keepCharacters, FILE* mirror, FILE* utf8Copy)
    : control(NULL),
      batch(keepCharacters, LOG_TEXT_CAPACITY),  // a line is at most one of the log's messages
      copies(mirror, utf8Copy)
{
}

bool LogControl::Create(HWND frame, HINSTANCE instance, HFONT font, const RECT& area)
{
    // No horizontal scrolling: a long line wraps, so that no line is ever cut
    // on the left.
    control = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                              WS_CHILD | ES_MULTILINE | WS_VISIBLE | WS_VSCROLL | ES_READONLY |
                                  ES_AUTOVSCROLL,
                              0, 0, area.right, area.bottom, frame, NULL, instance, NULL);
    if (control == NULL)
        return false;
    Call(WM_SETFONT, (WPARAM)font, FALSE);  // no result
    // The default limit, 32767 characters, would hold a few seconds of trace.
    Call(EM_SETLIMITTEXT, batch.ControlLimit(), 0);  // no result
    return true;
}

LRESULT LogControl::Call(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageA(control, message, wParam, lParam);
}

size_t LogControl::Length()
{
    return (size_t)Call(WM_GETTEXTLENGTH, 0, 0);
}

void LogControl::ShowText(const std::string& text)
{
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            ShowLine(text.substr(start, end - start));
        start = end + 2;
    }
}

// CR LF only between lines, as the log adds its lines.
void LogControl::ShowLine(const std::string& line)
{
    if (batch.Pending() != 0 || Length() != 0)
        Gather("\r\n");
    Gather(line.c_str());
}

void LogControl::Gather(const char* text)
{
    batch.Add(text, copies.Wanted());
    if (batch.MustFlush(Length()))
        Flush();
}

// The traced work's lines still queued wait for the next batch: taking them
// here, in the middle of showing the lines taken before, would show them out
// of order.
void LogControl::Flush()
{
    FlushCopies();
    if (batch.Pending() == 0 || control == NULL)
        return;
    const size_t drop = batch.DropAtLeast(Length());
    if (drop > 0)
        DropOldestLines(drop);
    const size_t end = Length();
    const std::string text = batch.TakeForControl(end);
    Call(EM_SETSEL, end, end);
    Call(EM_REPLACESEL, 0, (LPARAM)text.c_str());  // wParam 0: nothing to undo
}

// Writing the copies with the control's batch, not per line, keeps a slow
// console from holding up the reader.
void LogControl::FlushCopies()
{
    copies.Write(batch.TakeCopy());
}

// Drops whole lines from the start, at least dropAtLeast characters. The
// control wraps long lines, so its own line numbers are not the log's: the
// log's lines are found at their CR LF, in as much of the text's start as
// holds the first line break past dropAtLeast.
void LogControl::DropOldestLines(size_t dropAtLeast)
{
    const size_t length = Length();
    size_t keptStart = length;  // no later line: drop everything
    for (size_t look = dropAtLeast + LOG_TEXT_CAPACITY;; look *= 2) {
        std::string start(std::min(look, length) + 1, '\0');
        start.resize((size_t)Call(WM_GETTEXT, (WPARAM)start.size(), (LPARAM)&start[0]));
        const size_t lineBreak = start.find("\r\n", dropAtLeast >= 2 ? dropAtLeast - 2 : 0);
        if (lineBreak != std::string::npos) {
            keptStart = lineBreak + 2;
            break;
        }
        if (look >= length)
            break;
    }
    Call(EM_SETSEL, 0, keptStart);
    Call(EM_REPLACESEL, 0, (LPARAM) "");
}
