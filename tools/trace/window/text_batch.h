// The trace window's text arithmetic, apart from its window messages: the
// lines gathered for the edit control and for the copy on standard output,
// when they must be handed over, and how much old text goes to make room.
// Pure logic, no windows.h.
#pragma once

#include <stddef.h>

#include <string>

class TextBatch {
public:
    // longestLine: the longest line the trace can be handed. The control
    // keeps at least four of them, so that dropping the oldest lines never has
    // to reach the newest one.
    TextBatch(size_t keepCharacters, size_t longestLine);

    // Characters the control keeps, and the limit to set on it: room for the
    // kept text plus a batch that has not yet been trimmed.
    size_t Keep() const { return keep; }
    size_t ControlLimit() const { return keep + 2 * longestLine; }

    // Text appended to the control's end: a line or the CR LF between lines.
    // The copy gets each line on a line of its own.
    void Add(const char* text, bool copied);
    size_t Pending() const { return pending.size(); }
    // Whether the batch must go to the control now: a quarter of what is kept
    // is waiting, or the text would pass the bound.
    bool MustFlush(size_t controlLength) const;
    // Characters to drop from the control's start, at least, before the batch
    // goes to a control holding controlLength: down to three quarters of what
    // is kept, so that a long trace drops lines now and then, not on every line.
    size_t DropAtLeast(size_t controlLength) const;
    // The batch for a control that then holds controlLength, emptied: without
    // a leading CR LF on an empty control, since CR LF goes only between lines.
    std::string TakeForControl(size_t controlLength);
    // The lines for the copy, emptied.
    std::string TakeCopy();

private:
    size_t longestLine;
    size_t keep;
    std::string pending;      // appended, not yet in the control
    std::string pendingCopy;  // the same lines, one per line, not yet copied
};
