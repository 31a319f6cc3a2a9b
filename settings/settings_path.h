// Where the settings file lives: beside the module, under the module's base
// name.
#pragma once

#include <stddef.h>

#include "common/result_codes.h"

const size_t SETTINGS_PATH_CAPACITY = 260;  // MAX_PATH, terminator included
extern const char SETTINGS_FILE_NAME[];     // "ArdunParser.dat"

// Writes the module's directory joined with fileName into path
// (SETTINGS_PATH_CAPACITY characters). RESULT_INSUFFICIENT_BUFFER when the
// whole name does not fit: a shortened name could be some other file in that
// folder, so the caller must then open nothing. E_INVALIDARG when the module
// path is not terminated within SETTINGS_PATH_CAPACITY characters.
ResultCode SettingsPathBesideModule(const char* modulePath, char* path,
                                    const char* fileName = SETTINGS_FILE_NAME);
