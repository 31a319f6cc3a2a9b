// The COM port numbers the project deals in: the configuration dialog probes
// every one of them, and the tools take a port number from the same range,
// so a port that a tool can use is one the dialog can list.
#pragma once

#include <stdint.h>

const uint32_t LOWEST_PORT_NUMBER = 0;
const uint32_t HIGHEST_PORT_NUMBER = 255;
