// The trace's own line after each packet request: the result code, the
// payload in hex and, for a request that brought no packet, the likely cause
// in plain words. Pure logic, no windows.h.
#pragma once

#include <stdint.h>

#include <string>

#include "common/result_codes.h"
#include "parser/packet_collector.h"

// number counts the requests from 1; payload holds outcome.stored bytes of
// this request (the held packet's start).
std::string DescribePacketRequest(uint32_t number, uint32_t wanted, ResultCode result,
                                  const PacketRequestOutcome& outcome, const uint8_t* payload);
