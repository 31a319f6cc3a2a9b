#include "testkit/edit_log.h"

EditLog::EditLog()
{
    sink.editControl = CreateWindowExA(0, "EDIT", "", WS_POPUP | ES_MULTILINE | ES_AUTOVSCROLL, 0, 0,
                                       400, 300, NULL, NULL, GetModuleHandleA(NULL), NULL);
    // 0 lifts the control's default limit, which would cut long logs.
    if (sink.editControl != NULL)
        SendMessageA(sink.editControl, EM_SETLIMITTEXT, 0, 0);
}

EditLog::~EditLog()
{
    if (sink.editControl != NULL)
        DestroyWindow(sink.editControl);
}

std::string EditLog::Text() const
{
    const int length = GetWindowTextLengthA(sink.editControl);
    std::string text(length + 1, '\0');
    const int copied = GetWindowTextA(sink.editControl, &text[0], length + 1);
    text.resize(copied > 0 ? copied : 0);
    return text;
}

std::vector<std::string> EditLog::Lines() const
{
    const std::string text = Text();
    std::vector<std::string> lines;
    if (text.empty())
        return lines;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return lines;
        start = end + 2;
    }
}

void EditLog::Clear()
{
    SetWindowTextA(sink.editControl, "");
}
