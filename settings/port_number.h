// Reading the configured COM port number out of the port setting's device
// path. Pure text handling with no platform calls, so it also builds natively.
#pragma once

#include <stdint.h>

#include "settings/port_setting.h"

// The port number that stands for "no port configured".
const int32_t NO_PORT_NUMBER = -1;

// The port number in a port setting's PORT_SETTING_SIZE bytes: the number
// after the first three characters of the file-name part when that part
// begins with 'C' or 'c' ("\\.\COM12" gives 12), 0 for any other part,
// NO_PORT_NUMBER when the setting is empty. Reads only within those bytes,
// and never past the file-name part.
int32_t PortNumberInSetting(const char* settingBytes);

// The port number in the module's PortSetting, as above.
inline int32_t GetConfiguredPortNumber()
{
    return PortNumberInSetting(PortSetting);
}
