// Where the settings file lives: beside the module (common/path_beside.h),
// under SETTINGS_FILE_NAME (common/module_files.h); and the split of a path
// into its folder and its name. Splitting paths is pure logic, the same code
// in the module, its native tests and the fuzz targets; only the running
// module's own path is asked of the platform.
#pragma once

#include "common/module_files.h"
#include "common/path_beside.h"
#include "common/result_codes.h"

// Splits path at its last '\' or '/' found at position 1 or later. name (if
// not null) receives the characters after that separator, directory (if not
// null) everything up to and including it. Without such a separator name gets
// the whole path and directory its first character alone. An empty path
// writes neither. Both outputs must hold at least the path and a terminator.
void SplitPath(const char* path, char* name, char* directory);

#if defined(_WIN32)
// The settings file beside the running module, whose file the platform
// reports through the stored module handle (PATH_BESIDE_CAPACITY characters).
// Fails, and leaves `path` untouched, as PathBesideModule does.
ResultCode SettingsPathOfRunningModule(char* path);
#endif
