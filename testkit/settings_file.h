// The settings file beside the running test program, which serves as the
// module: tests write, read and remove it as the user's machine would hold it.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

std::string SettingsFilePath();
void WriteSettingsFile(const std::vector<uint8_t>& bytes);
// The 25 bytes of a settings file that names devicePath: its characters (at
// most 24, so that a terminator stays), then zeros.
std::vector<uint8_t> SettingsFileBytes(const std::string& devicePath);
// Writes that file beside the program, so that the next load configures
// devicePath.
void ConfigurePort(const std::string& devicePath);
// The file's bytes; false when it cannot be read.
bool ReadSettingsFile(std::vector<uint8_t>* bytes);
void RemoveSettingsFile();
