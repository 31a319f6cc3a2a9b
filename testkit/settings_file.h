// The settings file beside the running test program, which serves as the
// module: tests write, read and remove it as the user's machine would hold it.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// Makes the test program the module whose folder holds the settings file.
void UseTestProgramAsModule();
std::string SettingsFilePath();
void WriteSettingsFile(const std::vector<uint8_t>& bytes);
// The file's bytes; false when it cannot be read.
bool ReadSettingsFile(std::vector<uint8_t>* bytes);
void RemoveSettingsFile();
// PortSetting's 25 bytes, and PortSetting set from a text (rest zero).
std::vector<uint8_t> PortSettingBytes();
void SetPortSettingText(const char* text);
