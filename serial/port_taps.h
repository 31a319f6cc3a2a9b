// The taps attached to one port, each attached and detached on its own.
#pragma once

#include <stdint.h>

#include "common/receiver_slots.h"
#include "serial/port_tap.h"

class PortTaps {
public:
    // False when every slot is taken. Not owned: a tap must stay alive while
    // it is attached.
    bool Attach(PortTap* tap) { return taps.Attach(tap); }
    void Detach(const PortTap* tap) { taps.Detach(tap); }
    void DetachAll() { taps.DetachAll(); }

    // Formats one step (cut to 4095 characters) for the taps that take
    // steps; with none attached, formats nothing. Not re-entrant.
    void Step(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void BytesRead(const uint8_t* data, uint32_t count) const
    {
        taps.ForEach([data, count](PortTap& tap) { tap.BytesRead(data, count); });
    }

private:
    bool AnyTakesSteps() const;

    ReceiverSlots<PortTap> taps;
};
