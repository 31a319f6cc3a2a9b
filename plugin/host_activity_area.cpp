#include "plugin/host_activity_area.h"

#include <stdio.h>

namespace {

bool FormatName(char* name, size_t capacity, uint32_t processId, uint32_t copy, const char* ending)
{
    if (name == NULL || capacity == 0)
        return false;
    int length = -1;
    if (copy == 1)
        length = snprintf(name, capacity, "Local\\ArdunParser.HostActivity.%lu%s", (unsigned long)processId,
                          ending);
    else if (copy >= 2 && copy <= HOST_ACTIVITY_MAX_COPIES)
        length = snprintf(name, capacity, "Local\\ArdunParser.HostActivity.%lu.%lu%s",
                          (unsigned long)processId, (unsigned long)copy, ending);
    if (length < 0 || (size_t)length >= capacity) {
        name[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace

bool FormatHostActivityAreaName(char* name, size_t capacity, uint32_t processId, uint32_t copy)
{
    return FormatName(name, capacity, processId, copy, "");
}

bool FormatHostActivityWriterName(char* name, size_t capacity, uint32_t processId, uint32_t copy)
{
    return FormatName(name, capacity, processId, copy, ".writer");
}
