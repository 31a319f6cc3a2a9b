#include "common/path_beside.h"

#include <string.h>

#include "common/result_codes.h"

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

int32_t PathBeside(const char* modulePath, const char* fileName, char* path)
{
    const char* end = static_cast<const char*>(memchr(modulePath, '\0', PATH_BESIDE_CAPACITY));
    if (end == NULL)
        return E_INVALIDARG;
    const size_t directoryLength = DirectoryPartLength(modulePath, (size_t)(end - modulePath));
    const size_t nameLength = strlen(fileName);
    if (directoryLength + nameLength >= PATH_BESIDE_CAPACITY) {
        path[0] = '\0';
        return RESULT_INSUFFICIENT_BUFFER;
    }
    memmove(path, modulePath, directoryLength);
    memcpy(path + directoryLength, fileName, nameLength + 1);
    return RESULT_OK;
}

// The native tests and the fuzz targets take only the pure part above.
#if defined(_WIN32)
int32_t PathBesideModule(HMODULE module, const char* fileName, char* path)
{
    char modulePath[PATH_BESIDE_CAPACITY];
    const DWORD length = GetModuleFileNameA(module, modulePath, PATH_BESIDE_CAPACITY);
    if (length == 0)
        return WrapPlatformFailure((int32_t)GetLastError());
    if (length >= PATH_BESIDE_CAPACITY)
        return RESULT_INSUFFICIENT_BUFFER;  // cut: XP does not even terminate it
    modulePath[length] = '\0';
    char beside[PATH_BESIDE_CAPACITY];
    const ResultCode result = PathBeside(modulePath, fileName, beside);
    if (result == RESULT_OK)
        memcpy(path, beside, sizeof beside);
    return result;
}
#endif
