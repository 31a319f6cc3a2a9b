#include "serial/com_port_path.h"

#include <inttypes.h>
#include <stdio.h>

ComPortPath ComPortPathOf(int64_t number)
{
    ComPortPath path;
    // The capacity holds any 64-bit number, so the text is never cut.
    (void)snprintf(path.text, sizeof path.text, "\\\\.\\COM%" PRId64, number);
    return path;
}
