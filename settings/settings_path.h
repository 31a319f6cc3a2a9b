// Where the settings file lives: beside the module, under the module's base
// name. Splitting paths is pure logic, the same code in the module, its native
// tests and the fuzz targets; only the running module's own path is asked of
// the platform.
#pragma once

#include <stddef.h>

#include "common/result_codes.h"

const size_t SETTINGS_PATH_CAPACITY = 260;  // MAX_PATH, terminator included
extern const char SETTINGS_FILE_NAME[];     // "ArdunParser.dat"

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

// Writes the directory part of modulePath joined with SETTINGS_FILE_NAME into path
// (SETTINGS_PATH_CAPACITY characters). RESULT_INSUFFICIENT_BUFFER when the
// whole name does not fit: a shortened name could be some other file in that
// folder, so the caller must then open nothing. E_INVALIDARG when modulePath
// is not terminated within SETTINGS_PATH_CAPACITY characters.
ResultCode SettingsPathFromModulePath(const char* modulePath, char* path);

#if defined(_WIN32)
// The same for the running module, whose file the platform reports through
// the stored module handle. Fails, and leaves `path` untouched, when the
// module's own path cannot be had whole: a cut or missing path would name some
// other file.
ResultCode SettingsPathOfRunningModule(char* path);
#endif
