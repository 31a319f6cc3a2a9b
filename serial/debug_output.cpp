#include "serial/debug_output.h"

#include <stdarg.h>

#include "common/bounded_text.h"
#include "serial/hex_dump_line.h"

char logText[LOG_TEXT_CAPACITY];

// Puts the caret at the end of the control's text, selecting nothing, and
// returns the text's length.
static LRESULT MoveCaretToEnd(HWND edit)
{
    const LRESULT length = SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0);
    (void)SendMessageA(edit, EM_SETSEL, (WPARAM)length, (LPARAM)length);  // no result to check
    return length;
}

void AppendEditText(HWND edit, const char* text, int32_t lineBreaks)
{
    const LRESULT length = MoveCaretToEnd(edit);
    if (length != 0) {
        for (int32_t i = 0; i < lineBreaks; ++i)
            AppendEditText(edit, "\r\n", 0);
    }
    // wParam 0: the log is not something to undo. EM_REPLACESEL has no result.
    (void)SendMessageA(edit, EM_REPLACESEL, 0, (LPARAM)text);
}

void LogPrintf(KVDebugOutput* sink, const char* format, ...)
{
    // Without a control nothing is formatted: with no sink attached, every
    // trace call costs this one test.
    if (sink == NULL || sink->editControl == NULL)
        return;
    va_list args;
    va_start(args, format);
    // A longer message is cut to 4095 characters; that is all a cut means here.
    (void)BoundedVPrintf(logText, LOG_TEXT_CAPACITY, format, args);
    va_end(args);
    if (MoveCaretToEnd(sink->editControl) != 0)
        AppendEditText(sink->editControl, "\r\n", 0);
    (void)SendMessageA(sink->editControl, EM_REPLACESEL, 0, (LPARAM)logText);
}

static void LogDumpLine(const char* line, void* sink)
{
    LogPrintf(static_cast<KVDebugOutput*>(sink), "%s", line);
}

void LogHexDump(KVDebugOutput* sink, const uint8_t* data, uint32_t count)
{
    // Nothing would be shown: the lines are not even built (the serial port
    // calls this for every byte it reads).
    if (sink == NULL || sink->editControl == NULL || data == NULL || count == 0)
        return;
    ForEachHexDumpLine(data, count, LogDumpLine, sink);
}
