// Where a traced setting (port, baud rate, packet size) came from, as the
// trace window names it beside the setting. Pure logic, no windows.h.
#pragma once

// AnyRate: Find heard the device on a virtual pair, which carries every baud
// rate, so the rate traced is kept.
enum class SettingSource { SettingsFile, CommandLine, Default, Menu, Find, AnyRate };

// "from the command line", "chosen in the menu", ...; for the settings file
// the port's own line names the file.
const char* SettingSourceText(SettingSource source);
