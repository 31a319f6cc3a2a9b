// The payload the simulator sends, laid out so that a person (or a test) can
// check every decoded packet by its sequence number alone:
//   bytes 0-3  sequence number s, 32-bit little-endian, counting the frames
//              sent from 0 (or from the first number asked for)
//   byte  4    sensor A = Triangle(s)
//   byte  5    sensor B = Triangle(s + 128)
//   byte  6    sensor C = Triangle(3 * s)
//   byte  i    (s + i) mod 256, for every i from 7 on
// Triangle(t) rises by 1 per step from 0 to 255 and falls back to 0, period
// 510: t mod 510 when that is at most 255, else 510 - (t mod 510). A shorter
// payload is the same layout cut to its size. 0xFF and 0x00 occur naturally,
// also as the pair 0xFF 0x00, which the frame has to carry as data.
// Pure logic, no windows.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

uint8_t SensorTriangle(uint32_t step);
std::vector<uint8_t> MakeSimPayload(uint32_t sequence, size_t size);
