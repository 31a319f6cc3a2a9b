#include "settings/ports_that_open.h"

#include "serial/kv_serial.h"

bool PortsThatOpen::Contains(int32_t number) const
{
    for (uint32_t i = 0; i < count; ++i)
        if ((int32_t)numbers[i] == number)
            return true;
    return false;
}

PortsThatOpen ListPortsThatOpen()
{
    PortsThatOpen ports = {};
    KVSerial probe;
    for (uint32_t number = LOWEST_PORT_NUMBER; number <= HIGHEST_PORT_NUMBER; ++number) {
        if (!probe.OpenComNumber(number))
            continue;
        ports.numbers[ports.count++] = number;
        probe.ClosePort();
    }
    return ports;
}
