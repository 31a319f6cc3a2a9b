// The settings file's path for a loaded module: its directory, as the platform
// reports the module's file, joined with the settings file's name (or the
// name given).
#pragma once

#include <windows.h>

#include "common/result_codes.h"
#include "settings/settings_path.h"

// Writes the path into `path` (SETTINGS_PATH_CAPACITY characters). Fails, and
// leaves `path` untouched, when the module's own path cannot be had whole: a
// cut or missing path would name some other file.
ResultCode SettingsPathOfModule(HMODULE module, char* path, const char* fileName = SETTINGS_FILE_NAME);
