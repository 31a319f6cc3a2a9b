// The trace window's status area: a few named fields above the log, each
// starting a line of its own that stays in view however far the log scrolls.
// The fields are set by text; a field without text takes no line. The area
// keeps room for a line per field, so that the log below does not move as
// they come and go, and grows when a long text wraps, so that the last field
// (the finding) is never cut off.
#pragma once

#include <windows.h>

#include <string>

// LatePackets: how far behind the device a watched host's packets are.
enum class StatusField { Port, BaudRate, Size, Requests, LatePackets, Finding };
const int STATUS_FIELD_COUNT = 6;

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
    // Gives the area the frame's width at the top of the client area, and
    // the height its wrapped lines need at that width.
    void Place(int width);

    // True when the text has changed the area's height: the frame then lays
    // out its controls again.
    bool Set(StatusField field, const std::string& text);

private:
    bool Show();
    bool FitHeight();

    HWND control;
    int lineHeight;
    int height;
    std::string fields[STATUS_FIELD_COUNT];
};
