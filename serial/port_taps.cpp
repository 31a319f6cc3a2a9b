#include "serial/port_taps.h"

#include <stdarg.h>

#include "common/bounded_text.h"
#include "serial/debug_output.h"

// A buffer of the steps' own, so that a tap may format the line again into
// the log's buffer.
static char stepText[LOG_TEXT_CAPACITY];

bool PortTaps::AnyTakesSteps() const
{
    for (size_t slot = 0; slot < RECEIVER_SLOTS; ++slot)
        if (taps.At(slot) != NULL && taps.At(slot)->TakesSteps())
            return true;
    return false;
}

void PortTaps::Step(const char* format, ...)
{
    if (!AnyTakesSteps())
        return;
    va_list args;
    va_start(args, format);
    // A longer step is cut to 4095 characters, as the log cuts any message.
    (void)BoundedVPrintf(stepText, sizeof stepText, format, args);
    va_end(args);
    taps.ForEach([](PortTap& tap) {
        if (tap.TakesSteps())
            tap.PortStep(stepText);
    });
}
