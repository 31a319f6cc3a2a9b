// The bytes the device library ArdunFrame writes for one payload, as a
// vector: the tests, tools, benchmarks and fuzz targets play the device with
// the very library that device firmware uses.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

std::vector<uint8_t> ArdunFrameBytes(const uint8_t* payload, size_t length);
std::vector<uint8_t> ArdunFrameBytes(const std::vector<uint8_t>& payload);
