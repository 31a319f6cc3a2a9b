// The optional trace of the serial transport. Messages and hex dumps of the
// bytes received go, one message per line, to a multi-line edit control that
// whoever supplies the sink owns. With no sink, or a sink without a control,
// every call returns after a pointer test and formats nothing.
#pragma once

#include <stdint.h>
#include <windows.h>

#include "serial/port_tap.h"

struct KVDebugOutput {
    // The multi-line EDIT control that receives the text; null writes nothing.
    HWND editControl;
};

// Room for 4095 characters of one formatted message and its terminator.
const size_t LOG_TEXT_CAPACITY = 4096;
// The one module-wide formatting buffer: the log is not re-entrant.
extern char logText[LOG_TEXT_CAPACITY];

// Formats one message (cut to 4095 characters) and adds it as the last line
// of the sink's control; CR LF goes only between lines.
void LogPrintf(KVDebugOutput* sink, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Appends text at the end of the control, preceded by lineBreaks CR LFs when
// the control already holds text.
void AppendEditText(HWND edit, const char* text, int32_t lineBreaks);

// Logs "KVSerial: Read" and the bytes as lines of up to 16, each with its
// offset from the first byte of this dump.
void LogHexDump(KVDebugOutput* sink, const uint8_t* data, uint32_t count);

// The log as a tap of the port, taking its steps and bytes: each step as one
// line of the sink's control, each read as LogHexDump shows it. The sink is
// not owned; null writes nothing.
class EditControlLog final : public PortTap {
public:
    explicit EditControlLog(KVDebugOutput* sink = NULL) : PortTap(true), sink(sink) {}
    void SetSink(KVDebugOutput* newSink) { sink = newSink; }
    void PortStep(const char* line) override { LogPrintf(sink, "%s", line); }
    void BytesRead(const uint8_t* data, uint32_t count) override { LogHexDump(sink, data, count); }

private:
    KVDebugOutput* sink;
};
