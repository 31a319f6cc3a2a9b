#include "tools/host/configured_port.h"

#include <ctype.h>
#include <stdio.h>

#include "tools/host/plugin_library.h"

static const size_t SETTINGS_FILE_SIZE = 25;

std::string DescribeConfiguredPort(const std::string& dllPath)
{
    // The file name a user sees beside the DLL; ardun-host reads the file as
    // an outside program, not through the module's own code.
    std::string filePath = FolderOf(dllPath) + "ArdunParser.dat";
    FILE* file = fopen(filePath.c_str(), "rb");
    if (file == nullptr)
        return "\\\\.\\COM1 (the plug-in's default: there is no " + filePath + ")";
    char bytes[SETTINGS_FILE_SIZE];
    size_t length = fread(bytes, 1, sizeof bytes, file);
    fclose(file);  // read-only: a failing close loses nothing
    std::string portPath;
    for (size_t i = 0; i < length && bytes[i] != '\0'; ++i)
        portPath += isprint(static_cast<unsigned char>(bytes[i])) ? bytes[i] : '?';
    return (portPath.empty() ? std::string("(empty)") : portPath) + " (from " + filePath + ")";
}
