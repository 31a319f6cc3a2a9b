// A fresh component whose configured port is the host end of the virtual COM
// pair, and the device end to play the Ardun device.
#pragma once

#include <gtest/gtest.h>
#include <stdint.h>

#include <vector>

#include "parser/ardun_parser.h"
#include "testkit/device_port.h"

typedef std::vector<uint8_t> Bytes;

const uint32_t TEST_BAUD_RATE = 115200;
const uint8_t IDLE_BYTE = 0x5A;  // idle line around a frame, as a device sends it

// The payload as the device library ArdunFrame sends it: the frame with the
// bytes around it that put its frame start past the first two bytes of a
// request and end the request that collects it.
Bytes Framed(const Bytes& payload);

class ParserOnPair : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ResultCode OpenKind(int32_t kind);
    ResultCode OpenHostSide();  // kind 16 at the test baud rate
    // The host's write of P, N; handled receives the reported count.
    ResultCode RequestPacket(uint8_t n, uint32_t* handled = nullptr);
    // A host read of `length` bytes into `into` (resized to length).
    ResultCode ReadInto(uint32_t length, Bytes* into, uint32_t* handled);
    int32_t ErrorFlag();
    Bytes HeldPayload();
    // Sends bytes from the device and checks that they left.
    void Send(const Bytes& bytes);
    // Makes an earlier failed open set errorFlag to 1, so that a later
    // operation's clearing of it shows.
    void RaiseErrorFlag();

    MVArdunParser parser;
    DevicePort device;
};

// Opens the host end on its own (close the component first) and takes what
// is queued there until the line has been quiet for a moment.
Bytes TakeQueuedAtHostSide();
