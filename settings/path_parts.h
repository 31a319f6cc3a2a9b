// Splitting a file path at its last separator, the way the module finds its
// own folder and reads the port name out of a device path.
#pragma once

#include <stddef.h>

// Length of the directory part of a path of the given length: everything up
// to and including the last '\' or '/' at position 1 or later. Position 0 is
// never examined, so a path without such a separator keeps its first
// character alone. An empty path has an empty directory part.
size_t DirectoryPartLength(const char* path, size_t length);

// Splits path at its last '\' or '/' found at position 1 or later. name (if
// not null) receives the characters after that separator, directory (if not
// null) everything up to and including it. Without such a separator name gets
// the whole path and directory its first character alone. An empty path
// writes neither. Both outputs must hold at least the path and a terminator.
void SplitPath(const char* path, char* name, char* directory);
