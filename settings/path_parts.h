// Splitting a file path at its last separator, the way the module finds its
// own folder and reads the port name out of a device path.
#pragma once

#include <stddef.h>

// Length of the directory part of a path of the given length: everything up
// to and including the last '\' or '/' at position 1 or later. Position 0 is
// never examined, so a path without such a separator keeps its first
// character alone. An empty path has an empty directory part.
size_t DirectoryPartLength(const char* path, size_t length);
