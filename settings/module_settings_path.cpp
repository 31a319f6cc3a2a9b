#include "settings/module_settings_path.h"

#include <string.h>

ResultCode SettingsPathOfModule(HMODULE module, char* path, const char* fileName)
{
    char modulePath[SETTINGS_PATH_CAPACITY];
    const DWORD length = GetModuleFileNameA(module, modulePath, SETTINGS_PATH_CAPACITY);
    if (length == 0)
        return WrapPlatformFailure((int32_t)GetLastError());
    if (length >= SETTINGS_PATH_CAPACITY)
        return RESULT_INSUFFICIENT_BUFFER;
    modulePath[length] = '\0';
    char besideModule[SETTINGS_PATH_CAPACITY];
    const ResultCode result = SettingsPathBesideModule(modulePath, besideModule, fileName);
    if (result == RESULT_OK)
        memcpy(path, besideModule, sizeof besideModule);
    return result;
}
