// The trace window's status area: a few named fields above the log, each
// starting a line of its own that stays in view however far the log scrolls.
// The fields are set by text; a field without text takes no line. A long text
// wraps under its own column, clear of the labels. The area keeps room for
// the lines a trace or a watch usually shows, so that the log below does not
// move as they come and go, and grows when a long text wraps, so that the
// last field (the finding) is never cut off.
#pragma once

#include <windows.h>

#include <string>

// Host and Timeouts: a watched host's, shown with its Port, BaudRate and Size
// in place of the trace's own. LatePackets: how far behind the device a
// watched host's packets are.
enum class StatusField { Host, Port, BaudRate, Size, Timeouts, Requests, LatePackets, Finding };
const int STATUS_FIELD_COUNT = 8;

// The area's control identifier among the frame's children.
const int STATUS_AREA_ID = 101;

class StatusArea {
public:
    StatusArea();

    // A read-only edit control of the frame's, so that a user can copy the
    // settings from it; false with Windows' error left in GetLastError.
    bool Create(HWND frame, HINSTANCE instance, HFONT font);
    HWND Control() const { return control; }
    // The area's height in pixels, for the frame's layout.
    int Height() const { return height; }
    // Gives the area the frame's width at the top of the client area, its
    // texts wrapped to that width, and the height their lines need.
    void Place(int width);

    // True when the text has changed the area's height: the frame then lays
    // out its controls again.
    bool Set(StatusField field, const std::string& text);

private:
    bool Show();
    bool FitHeight();

    HWND control;
    int lineHeight;
    int characterWidth;  // the font is fixed-pitch
    int height;
    std::string shown;  // the control's text
    std::string fields[STATUS_FIELD_COUNT];
};
