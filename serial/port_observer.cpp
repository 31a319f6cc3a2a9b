#include "serial/port_observer.h"

#include <stdarg.h>

#include "common/bounded_text.h"
#include "serial/debug_output.h"

// A buffer of the steps' own, so that a receiver may format the line again
// into the log's buffer.
static char stepText[LOG_TEXT_CAPACITY];

void ReportPortStep(PortObserver* observer, const char* format, ...)
{
    if (observer == NULL)
        return;
    va_list args;
    va_start(args, format);
    // A longer step is cut to 4095 characters, as the log cuts any message.
    (void)BoundedVPrintf(stepText, sizeof stepText, format, args);
    va_end(args);
    observer->PortStep(stepText);
}
