#include "testkit/settings_file.h"

#include <string.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "settings/port_setting.h"

std::string SettingsFilePath()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + "ArdunParser.dat";
}

void WriteSettingsFile(const std::vector<uint8_t>& bytes)
{
    std::ofstream out(SettingsFilePath().c_str(), std::ios::binary | std::ios::trunc);
    out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

std::vector<uint8_t> SettingsFileBytes(const std::string& devicePath)
{
    std::vector<uint8_t> bytes(PORT_SETTING_SIZE, 0);
    memcpy(bytes.data(), devicePath.data(), std::min(devicePath.size(), PORT_SETTING_SIZE - 1));
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
