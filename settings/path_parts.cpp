#include "settings/path_parts.h"

size_t DirectoryPartLength(const char* path, size_t length)
{
    if (length == 0)
        return 0;
    for (size_t position = length - 1; position >= 1; --position) {
        if (path[position] == '\\' || path[position] == '/')
            return position + 1;
    }
    return 1;
}
