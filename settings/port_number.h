// Reading the configured COM port number out of the port setting's device
// path. Pure text handling with no platform calls, so it also builds natively.
#pragma once

#include <stdint.h>

// The port number that stands for "no port configured".
const int32_t NO_PORT_NUMBER = -1;

// Splits path at its last '\' or '/' found at position 1 or later. name (if
// not null) receives the characters after that separator, directory (if not
// null) everything up to and including it. Without such a separator name gets
// the whole path and directory its first character alone. An empty path
// writes neither. Both outputs must hold at least the path and a terminator.
void SplitPath(const char* path, char* name, char* directory);

// The port number in PortSetting: the number after the first three
// characters of the file-name part when that part begins with 'C' or 'c'
// ("\\.\COM12" gives 12), 0 for any other part, NO_PORT_NUMBER when
// PortSetting is empty. Never reads past the file-name part.
int32_t GetConfiguredPortNumber();
