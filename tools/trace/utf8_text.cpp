#include "tools/trace/utf8_text.h"

#include <windows.h>

std::string AnsiToUtf8(const std::string& text)
{
    if (text.empty())
        return text;
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), NULL, 0);
    if (wideLength <= 0)
        return text;
    std::wstring wide((size_t)wideLength, L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), &wide[0], wideLength) != wideLength)
        return text;
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, NULL, 0, NULL, NULL);
    if (length <= 0)
        return text;
    std::string utf8((size_t)length, '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0], length, NULL, NULL) != length)
        return text;
    return utf8;
}
