// The trace window's log: a multi-line, read-only edit control in the given
// font that scrolls up and down only, its long lines wrapped. It takes the
// lines in batches (redrawing it for every line would hold up the reader so
// long that the port's input overflowed), keeps a bounded amount of text,
// dropping its oldest lines, and hands every line to the copies with its
// batch.
#pragma once

#include <stddef.h>
#include <stdio.h>
#include <windows.h>

#include <string>

#include "tools/trace/window/line_copies.h"
#include "tools/trace/window/text_batch.h"

class LogControl {
public:
    // keepCharacters below four of the log's longest messages is raised to
    // that. mirror and utf8Copy may be null.
    LogControl(size_t keepCharacters, FILE* mirror, FILE* utf8Copy);

    // The control, a child of the frame's filling area; false with Windows'
    // error left in GetLastError.
    bool Create(HWND frame, HINSTANCE instance, HFONT font, const RECT& area);
    // Null before Create and once the frame has gone.
    HWND Control() const { return control; }
    // The characters kept.
    size_t Keep() const { return batch.Keep(); }

    // Text of the traced work's after what the control shows: one holding CR
    // LF as the lines between them, an empty one not at all, as the log's
    // control showed them.
    void ShowText(const std::string& text);
    // A line of the trace's own after what the control shows.
    void ShowLine(const std::string& line);
    // What the batch holds, to the control and the copies.
    void Flush();
    // The lines gathered so far, to the copies.
    void FlushCopies();
    // The control has gone with the frame: it takes no more.
    void Gone() { control = NULL; }

private:
    LRESULT Call(UINT message, WPARAM wParam, LPARAM lParam);
    size_t Length();
    void Gather(const char* text);
    void DropOldestLines(size_t dropAtLeast);

    HWND control;
    TextBatch batch;
    LineCopies copies;
};
