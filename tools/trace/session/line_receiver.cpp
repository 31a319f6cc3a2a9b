#include "tools/trace/session/line_receiver.h"

#include "serial/hex_dump_line.h"

static void SendDumpLine(const char* line, void* receiver)
{
    static_cast<LineReceiver*>(receiver)->Line(line);
}

void SendHexDump(LineReceiver* receiver, const uint8_t* data, uint32_t count)
{
    ForEachHexDumpLine(data, count, SendDumpLine, receiver);
}
