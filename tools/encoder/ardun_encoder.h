// Frames a payload as an Ardun device sends it: the frame start 0xFF 0x00,
// then the payload with every data 0xFF doubled. Used by the tests and tools
// to play the device's part; not part of the module.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

std::vector<uint8_t> EncodeArdunFrame(const uint8_t* payload, size_t length);
std::vector<uint8_t> EncodeArdunFrame(const std::vector<uint8_t>& payload);
