// A hidden multi-line EDIT control serving as the log sink, so that tests see
// exactly the text a user's log window would show.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "serial/debug_output.h"

class EditLog {
public:
    EditLog();
    ~EditLog();

    bool IsReady() const { return sink.editControl != NULL; }
    KVDebugOutput* Sink() { return &sink; }
    std::string Text() const;
    // The text cut at each CR LF; an empty control has no lines.
    std::vector<std::string> Lines() const;
    void Clear();

private:
    EditLog(const EditLog&);
    EditLog& operator=(const EditLog&);

    KVDebugOutput sink;
};
