#include "settings/path_parts.h"

#include <string.h>

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

void SplitPath(const char* path, char* name, char* directory)
{
    size_t length = strlen(path);
    if (length == 0)
        return;
    size_t directoryLength = DirectoryPartLength(path, length);
    // A directory part of one character means no separator was found: the
    // whole path is then the name.
    size_t nameStart = directoryLength > 1 ? directoryLength : 0;
    if (name != NULL)
        memcpy(name, path + nameStart, length - nameStart + 1);
    if (directory != NULL) {
        memcpy(directory, path, directoryLength);
        directory[directoryLength] = '\0';
    }
}
