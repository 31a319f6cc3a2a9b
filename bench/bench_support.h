// What every benchmark needs besides its clock (common/performance_clock.h):
// percentiles, a line describing the machine, and the device end of the COM
// pair streaming frames.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

// The p-th percentile (0 to 100) of the samples, by nearest rank.
double Percentile(std::vector<double> samples, double p);

// Prints "machine: <processor>, <n> processors, <platform>".
void PrintMachine();

// Payload of frame number sequence, length bytes: the number in the first
// four bytes, then bytes derived from it (0xFF now and then), so that any lost
// or altered byte shows.
std::vector<uint8_t> BenchPayload(uint32_t sequence, size_t length);

// The payload of frame number sequence as the device library sends it.
std::vector<uint8_t> FramedBenchPayload(uint32_t sequence, size_t length);
