#include "settings/settings_path.h"

#include <string.h>

#include "common/bounded_text.h"
#include "settings/path_parts.h"

const char SETTINGS_FILE_NAME[] = "ArdunParser.dat";

ResultCode SettingsPathBesideModule(const char* modulePath, char* path, const char* fileName)
{
    size_t length = 0;
    if (BoundedLength(modulePath, SETTINGS_PATH_CAPACITY, &length) != RESULT_OK)
        return E_INVALIDARG;
    size_t directoryLength = DirectoryPartLength(modulePath, length);
    memmove(path, modulePath, directoryLength);
    path[directoryLength] = '\0';
    return BoundedAppend(path, SETTINGS_PATH_CAPACITY, fileName);
}
