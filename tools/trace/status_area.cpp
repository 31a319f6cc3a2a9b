#include "tools/trace/status_area.h"

namespace {

// Padded to one width, so that the fields' texts line up.
const char* const LABELS[STATUS_FIELD_COUNT] = {
    "Port      ", "Baud rate ", "Size      ", "Requests  ", "Finding   ", "Late      ",
};
// One line more than the fields, for a long finding that wraps.
const int SPARE_LINES = 1;
const int MARGIN_PIXELS = 6;

}  // namespace

StatusArea::StatusArea() : control(NULL), height(0) {}

bool StatusArea::Create(HWND frame, HINSTANCE instance, HFONT font)
{
    // No scroll styles: long lines wrap, and the area never scrolls.
    control = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                              WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 0, 0, 10, 10, frame,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(STATUS_AREA_ID)), instance, NULL);
    if (control == NULL)
        return false;
    SendMessageA(control, WM_SETFONT, (WPARAM)font, FALSE);  // no result

    int lineHeight = 16;  // where the font cannot be measured
    const HDC dc = GetDC(control);
    if (dc != NULL) {
        const HGDIOBJ before = SelectObject(dc, font);
        TEXTMETRICA metrics;
        if (GetTextMetricsA(dc, &metrics))
            lineHeight = metrics.tmHeight;
        (void)SelectObject(dc, before);  // the control's own font again
        (void)ReleaseDC(control, dc);    // a common DC: always released
    }
    height = (STATUS_FIELD_COUNT + SPARE_LINES) * lineHeight + MARGIN_PIXELS;
    return true;
}

void StatusArea::Place(int width)
{
    if (control != NULL)
        (void)MoveWindow(control, 0, 0, width, height, TRUE);  // one not moved keeps its place
}

void StatusArea::Set(StatusField field, const std::string& text)
{
    std::string& shown = fields[(int)field];
    if (shown == text)
        return;  // no redraw, no flicker, at every request
    shown = text;
    Show();
}

void StatusArea::Clear()
{
    for (std::string& field : fields)
        field.clear();
    Show();
}

void StatusArea::Show()
{
    std::string text;
    for (int i = 0; i < STATUS_FIELD_COUNT; ++i) {
        if (fields[i].empty())
            continue;
        if (!text.empty())
            text += "\r\n";
        text += LABELS[i] + fields[i];
    }
    if (control != NULL)
        (void)SetWindowTextA(control, text.c_str());  // a text not set is only out of date
}
