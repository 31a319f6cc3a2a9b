#include "settings/port_number.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "settings/settings_path.h"

// The decimal number at the start of text as atoi reads it (leading white
// space, a sign, digits), held within 32 bits so that a long run of digits
// cannot overflow.
static int32_t ReadDecimal(const char* text)
{
    // long long: a long has only 32 bits on Windows, where strtol would
    // already clamp.
    long long value = strtoll(text, NULL, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return (int32_t)value;
}

int32_t PortNumberInSetting(const char* settingBytes)
{
    // A terminated copy, so that even a setting without a terminator is read
    // only within its own bytes.
    char setting[PORT_SETTING_SIZE];
    memcpy(setting, settingBytes, PORT_SETTING_SIZE);
    setting[PORT_SETTING_SIZE - 1] = '\0';
    if (setting[0] == '\0')
        return NO_PORT_NUMBER;

    char name[PORT_SETTING_SIZE];
    SplitPath(setting, name, NULL);
    if (name[0] != 'C' && name[0] != 'c')
        return 0;
    // The number follows the two characters after the 'C' ("OM" in "COM");
    // a part too short to hold them holds no number.
    if (strlen(name) <= 3)
        return 0;
    return ReadDecimal(name + 3);
}
