#include "settings/settings_path.h"

#include <string.h>

#include "common/bounded_text.h"

const char SETTINGS_FILE_NAME[] = "ArdunParser.dat";

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

ResultCode SettingsPathFromModulePath(const char* modulePath, char* path)
{
    size_t length = 0;
    if (BoundedLength(modulePath, SETTINGS_PATH_CAPACITY, &length) != RESULT_OK)
        return E_INVALIDARG;
    size_t directoryLength = DirectoryPartLength(modulePath, length);
    memmove(path, modulePath, directoryLength);
    path[directoryLength] = '\0';
    return BoundedAppend(path, SETTINGS_PATH_CAPACITY, SETTINGS_FILE_NAME);
}

// The native tests and the fuzz targets take only the pure part above.
#if defined(_WIN32)
#include <windows.h>

#include "common/module_handle.h"

ResultCode SettingsPathOfRunningModule(char* path)
{
    char modulePath[SETTINGS_PATH_CAPACITY];
    const DWORD length = GetModuleFileNameA(GetModuleInstance(), modulePath, SETTINGS_PATH_CAPACITY);
    if (length == 0)
        return WrapPlatformFailure((int32_t)GetLastError());
    if (length >= SETTINGS_PATH_CAPACITY)
        return RESULT_INSUFFICIENT_BUFFER;
    modulePath[length] = '\0';
    char besideModule[SETTINGS_PATH_CAPACITY];
    const ResultCode result = SettingsPathFromModulePath(modulePath, besideModule);
    if (result == RESULT_OK)
        memcpy(path, besideModule, sizeof besideModule);
    return result;
}
#endif
