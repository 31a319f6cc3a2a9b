#include "tools/trace/window/text_batch.h"

#include <string.h>

TextBatch::TextBatch(size_t keepCharacters, size_t longestLine)
    : longestLine(longestLine), keep(keepCharacters < 4 * longestLine ? 4 * longestLine : keepCharacters)
{
}

void TextBatch::Add(const char* text, bool copied)
{
    if (copied && strcmp(text, "\r\n") != 0) {
        pendingCopy += text;
        pendingCopy += '\n';
    }
    pending += text;
}

bool TextBatch::MustFlush(size_t controlLength) const
{
    return pending.size() >= keep / 4 || controlLength + pending.size() > keep;
}

size_t TextBatch::DropAtLeast(size_t controlLength) const
{
    if (controlLength + pending.size() <= keep)
        return 0;
    const size_t drop = controlLength + pending.size() - keep / 4 * 3;
    return drop > controlLength ? controlLength : drop;
}

std::string TextBatch::TakeForControl(size_t controlLength)
{
    std::string text;
    text.swap(pending);
    if (controlLength == 0 && text.compare(0, 2, "\r\n") == 0)
        text.erase(0, 2);
    return text;
}

std::string TextBatch::TakeCopy()
{
    std::string text;
    text.swap(pendingCopy);
    return text;
}
