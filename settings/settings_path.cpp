#include "settings/settings_path.h"

#include <string.h>

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

// The native tests and the fuzz targets take only the pure part above.
#if defined(_WIN32)
#include "common/module_handle.h"

ResultCode SettingsPathOfRunningModule(char* path)
{
    return PathBesideModule(GetModuleInstance(), SETTINGS_FILE_NAME, path);
}
#endif
