#include "testkit/settings_file.h"

#include <string.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "common/module_files.h"
#include "common/path_beside.h"

std::string SettingsFilePath()
{
    char path[PATH_BESIDE_CAPACITY];
    // A test program's own path always fits. Were it cut, the bare name
    // would name a file in the working folder, where the module does not
    // look, and the test using it would fail there.
    if (PathBesideModule(NULL, SETTINGS_FILE_NAME, path) != 0)
        return SETTINGS_FILE_NAME;
    return path;
}

void WriteSettingsFile(const std::vector<uint8_t>& bytes)
{
    std::ofstream out(SettingsFilePath().c_str(), std::ios::binary | std::ios::trunc);
    out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

std::vector<uint8_t> SettingsFileBytes(const std::string& devicePath)
{
    std::vector<uint8_t> bytes(SETTINGS_FILE_SIZE, 0);
    memcpy(bytes.data(), devicePath.data(), std::min(devicePath.size(), (size_t)SETTINGS_FILE_SIZE - 1));
    return bytes;
}

void ConfigurePort(const std::string& devicePath)
{
    WriteSettingsFile(SettingsFileBytes(devicePath));
}

bool ReadSettingsFile(std::vector<uint8_t>* bytes)
{
    std::ifstream in(SettingsFilePath().c_str(), std::ios::binary);
    if (!in)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void RemoveSettingsFile()
{
    DeleteFileA(SettingsFilePath().c_str());
}
