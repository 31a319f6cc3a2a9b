#include "tools/trace/status_area.h"

namespace {

// Padded to one width, so that the fields' texts line up.
const char* const LABELS[STATUS_FIELD_COUNT] = {
    "Port      ", "Baud rate ", "Size      ", "Requests  ", "Late      ", "Finding   ",
};
// The control's edge and its text's margins.
const int MARGIN_PIXELS = 6;

}  // namespace

StatusArea::StatusArea() : control(NULL), lineHeight(16), height(0) {}

bool StatusArea::Create(HWND frame, HINSTANCE instance, HFONT font)
{
    // No scroll styles: long lines wrap, and the area grows to hold them.
    control = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                              WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 0, 0, 10, 10, frame,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(STATUS_AREA_ID)), instance, NULL);
    if (control == NULL)
        return false;
    SendMessageA(control, WM_SETFONT, (WPARAM)font, FALSE);  // no result

    // 16 pixels stay where the font cannot be measured.
    const HDC dc = GetDC(control);
    if (dc != NULL) {
        const HGDIOBJ before = SelectObject(dc, font);
        TEXTMETRICA metrics;
        if (GetTextMetricsA(dc, &metrics))
            lineHeight = metrics.tmHeight;
        (void)SelectObject(dc, before);  // the control's own font again
        (void)ReleaseDC(control, dc);    // a common DC: always released
    }
    height = STATUS_FIELD_COUNT * lineHeight + MARGIN_PIXELS;
    return true;
}

void StatusArea::Place(int width)
{
    if (control == NULL)
        return;
    // The control wraps its text at its new width; a control not moved keeps its place.
    (void)MoveWindow(control, 0, 0, width, height, TRUE);
    if (FitHeight())
        (void)MoveWindow(control, 0, 0, width, height, TRUE);
}

bool StatusArea::Set(StatusField field, const std::string& text)
{
    std::string& shown = fields[(int)field];
    if (shown == text)
        return false;  // no redraw, no flicker, at every request
    shown = text;
    return Show();
}

bool StatusArea::Show()
{
    std::string text;
    for (int i = 0; i < STATUS_FIELD_COUNT; ++i) {
        if (fields[i].empty())
            continue;
        if (!text.empty())
            text += "\r\n";
        text += LABELS[i] + fields[i];
    }
    if (control == NULL)
        return false;
    (void)SetWindowTextA(control, text.c_str());  // a text not set is only out of date
    return FitHeight();
}

// The height for the control's lines as wrapped now, never less than a line
// per field; true when it changed.
bool StatusArea::FitHeight()
{
    const int lines = (int)SendMessageA(control, EM_GETLINECOUNT, 0, 0);
    const int fitting = (lines > STATUS_FIELD_COUNT ? lines : STATUS_FIELD_COUNT) * lineHeight +
                        MARGIN_PIXELS;
    if (fitting == height)
        return false;
    height = fitting;
    return true;
}
