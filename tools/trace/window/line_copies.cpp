#include "tools/trace/window/line_copies.h"

#include "tools/trace/utf8_text.h"

void LineCopies::Write(const std::string& text)
{
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
