#include "tools/host/configured_port.h"

#include <ctype.h>
#include <stdio.h>

#include "common/module_files.h"
#include "common/path_beside.h"

std::string DescribeConfiguredPort(const PluginLibrary& library)
{
    // The file beside the module that was loaded, found as the plug-in finds
    // it; ardun-host reads it as an outside program, not through the
    // module's own code.
    char filePath[PATH_BESIDE_CAPACITY];
    if (PathBesideModule(library.Module(), SETTINGS_FILE_NAME, filePath) != 0)
        return DEFAULT_PORT_PATH " (the plug-in's default: its settings file's path cannot be made)";
    FILE* file = fopen(filePath, "rb");
    if (file == nullptr)
        return DEFAULT_PORT_PATH " (the plug-in's default: there is no " + std::string(filePath) + ")";
    char bytes[SETTINGS_FILE_SIZE];
    size_t length = fread(bytes, 1, sizeof bytes, file);
    fclose(file);  // read-only: a failing close loses nothing
    std::string portPath;
    for (size_t i = 0; i < length && bytes[i] != '\0'; ++i)
        portPath += isprint(static_cast<unsigned char>(bytes[i])) ? bytes[i] : '?';
    return (portPath.empty() ? std::string("(empty)") : portPath) + " (from " + filePath + ")";
}
