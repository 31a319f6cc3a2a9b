#include "tools/trace/window/status_area.h"

#include <vector>

namespace {

// Padded to one width, so that the fields' texts line up.
const char* const LABELS[STATUS_FIELD_COUNT] = {
    "Host      ", "Port      ", "Baud rate ", "Size      ",
    "Time-outs ", "Requests  ", "Late      ", "Finding   ",
};
const size_t LABEL_CHARACTERS = 10;
// A trace shows five fields, a watch six until its packets run late.
const int RESERVED_LINES = 6;
// The control's edge and its text's margins.
const int MARGIN_PIXELS = 6;

// The text in lines of at most `width` characters, broken at a space where
// one is near enough, else inside a word.
std::vector<std::string> WrapText(const std::string& text, size_t width)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (text.size() - start > width) {
        const size_t space = text.rfind(' ', start + width);
        const bool atSpace = space != std::string::npos && space > start;
        const size_t end = atSpace ? space : start + width;
        lines.push_back(text.substr(start, end - start));
        start = atSpace ? end + 1 : end;
    }
    lines.push_back(text.substr(start));
    return lines;
}

}  // namespace

StatusArea::StatusArea() : control(NULL), lineHeight(16), characterWidth(8), height(0) {}

bool StatusArea::Create(HWND frame, HINSTANCE instance, HFONT font)
{
    // No scroll styles: the texts are wrapped to the width, and the area
    // grows to hold them.
    control = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                              WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, 0, 0, 10, 10, frame,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(STATUS_AREA_ID)), instance, NULL);
    if (control == NULL)
        return false;
    SendMessageA(control, WM_SETFONT, (WPARAM)font, FALSE);  // no result

    // 16 by 8 pixels stay where the font cannot be measured.
    const HDC dc = GetDC(control);
    if (dc != NULL) {
        const HGDIOBJ before = SelectObject(dc, font);
        TEXTMETRICA metrics;
        if (GetTextMetricsA(dc, &metrics)) {
            lineHeight = metrics.tmHeight;
            characterWidth = metrics.tmAveCharWidth > 0 ? metrics.tmAveCharWidth : characterWidth;
        }
        (void)SelectObject(dc, before);  // the control's own font again
        (void)ReleaseDC(control, dc);    // a common DC: always released
    }
    height = RESERVED_LINES * lineHeight + MARGIN_PIXELS;
    return true;
}

void StatusArea::Place(int width)
{
    if (control == NULL)
        return;
    // A control not moved keeps its place, and its texts their lines.
    (void)MoveWindow(control, 0, 0, width, height, TRUE);
    if (Show())
        (void)MoveWindow(control, 0, 0, width, height, TRUE);
}

bool StatusArea::Set(StatusField field, const std::string& text)
{
    std::string& current = fields[(int)field];
    if (current == text)
        return false;  // no redraw, no flicker, at every request
    current = text;
    return Show();
}

// The fields in lines as wide as the control's text, each text under the
// others; true when the area's height changed.
bool StatusArea::Show()
{
    if (control == NULL)
        return false;
    RECT format = {};
    (void)SendMessageA(control, EM_GETRECT, 0, (LPARAM)&format);  // no result; a narrow area stays empty
    // A character less than fits, so that the control never wraps a line itself.
    const int columns = (format.right - format.left) / characterWidth - 1;
    const size_t width = columns > (int)LABEL_CHARACTERS * 2 ? (size_t)columns - LABEL_CHARACTERS
                                                             : LABEL_CHARACTERS;
    std::string text;
    for (int i = 0; i < STATUS_FIELD_COUNT; ++i) {
        if (fields[i].empty())
            continue;
        const std::vector<std::string> lines = WrapText(fields[i], width);
        for (size_t line = 0; line < lines.size(); ++line) {
            if (!text.empty())
                text += "\r\n";
            text += (line == 0 ? std::string(LABELS[i]) : std::string(LABEL_CHARACTERS, ' ')) + lines[line];
        }
    }
    if (text != shown) {
        shown = text;
        (void)SetWindowTextA(control, text.c_str());  // a text not set is only out of date
    }
    return FitHeight();
}

// The height for the control's lines, never less than the reserved lines;
// true when it changed.
bool StatusArea::FitHeight()
{
    const int lines = (int)SendMessageA(control, EM_GETLINECOUNT, 0, 0);
    const int fitting = (lines > RESERVED_LINES ? lines : RESERVED_LINES) * lineHeight + MARGIN_PIXELS;
    if (fitting == height)
        return false;
    height = fitting;
    return true;
}
