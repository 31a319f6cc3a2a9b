// The settings helpers that reach into the module code, kept apart from the
// file helpers (settings_file.h) so that tests of the built DLL can use those
// alone.
#pragma once

#include <stdint.h>

#include <vector>

// Makes the test program the module whose folder holds the settings file.
void UseTestProgramAsModule();
// PortSetting's 25 bytes, and PortSetting set from a text (rest zero).
std::vector<uint8_t> PortSettingBytes();
void SetPortSettingText(const char* text);
