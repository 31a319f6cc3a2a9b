#include "plugin/host_activity_area.h"

#include <stdio.h>

bool FormatHostActivityAreaName(char* name, size_t capacity, uint32_t processId)
{
    if (name == NULL || capacity == 0)
        return false;
    const int length = snprintf(name, capacity, "Local\\ArdunParser.HostActivity.%lu",
                                (unsigned long)processId);
    if (length < 0 || (size_t)length >= capacity) {
        name[0] = '\0';
        return false;
    }
    return true;
}
