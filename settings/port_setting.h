// The one user setting: the device path of the COM port that the component
// opens, kept in memory in PortSetting and on disk as the 25 raw bytes of that
// buffer in the settings file beside the module (common/module_files.h).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "common/module_files.h"
#include "common/result_codes.h"

const size_t PORT_SETTING_SIZE = SETTINGS_FILE_SIZE;

// Zero-terminated device path, at most 24 characters. Bytes after the
// terminator carry no meaning but are saved as they are.
extern char PortSetting[PORT_SETTING_SIZE];

// Writes the default path DEFAULT_PORT_PATH (static initialisation does this once).
void WriteDefaultPortSetting();

// Writes "\\.\COM<number>"; the bytes after the terminator stay as they are.
void WritePortSettingForNumber(int32_t number);

// Reads up to 25 bytes of the settings file over PortSetting; a short file
// replaces only the bytes it holds. On failure, also of the read itself, the
// wrapped platform error (E_FAIL when the platform gives none, or
// RESULT_INSUFFICIENT_BUFFER for a path that does not fit) is returned and
// PortSetting is unchanged.
ResultCode LoadPortSetting();

// Writes the 25 bytes of PortSetting as the whole settings file, in place:
// over the start of the existing file, which then ends after them, or into a
// new file when there is none. On any failure the error is returned as for
// LoadPortSetting, and the file is left as it was (or absent, as it was),
// unless putting the earlier bytes back fails too.
ResultCode SavePortSetting();

// The same into the settings file at `path`, for a tool that keeps the
// setting of a plug-in in another folder.
ResultCode SavePortSettingAt(const char* path);
