#include "serial/port_result.h"

#include "serial/com_handle.h"

PortResult PortCallFailed(PortCall call)
{
    const PortResult failed = {call, ErrorOfFailedCall()};
    return failed;
}
