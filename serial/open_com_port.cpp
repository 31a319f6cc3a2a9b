#include "serial/open_com_port.h"

namespace {

PortResult Open(ComHandle* port, const char* path, const PortSetup* line, COMMTIMEOUTS timeouts)
{
    const DWORD opened = port->Open(path);
    if (opened != ERROR_SUCCESS)
        return PortResult{PortCall::CreateFile, opened};
    PortResult result = PORT_SUCCEEDED;
    if (line != nullptr)
        result = SetLineSettings(port->Get(), line->baudRate, line->end);
    // Without its time-outs a read could block for ever: such a port is of
    // no use.
    if (result.Succeeded() && !SetCommTimeouts(port->Get(), &timeouts))
        result = PortCallFailed(PortCall::SetCommTimeouts);
    if (!result.Succeeded())
        port->Close();
    return result;
}

}  // namespace

PortResult OpenComPort(ComHandle* port, const char* path, const PortSetup& setup)
{
    return Open(port, path, &setup, setup.timeouts);
}

PortResult OpenComPortKeepingLine(ComHandle* port, const char* path, const COMMTIMEOUTS& timeouts)
{
    return Open(port, path, nullptr, timeouts);
}
