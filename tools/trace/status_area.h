// The trace window's status area: a few named fields above the log, each a
// line of its own that stays in view however far the log scrolls. The fields
// are set by text; a field without text takes no line, but the area keeps
// room for every field, so the log below does not move as they come and go.
#pragma once

#include <windows.h>

#include <string>

enum class StatusField { Port, BaudRate, Size, Requests, Finding, LatePackets };
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
    // Gives the area the frame's width at the top of the client area.
    void Place(int width);

    void Set(StatusField field, const std::string& text);
    // Every field's text cleared.
    void Clear();

private:
    void Show();

    HWND control;
    int height;
    std::string fields[STATUS_FIELD_COUNT];
};
