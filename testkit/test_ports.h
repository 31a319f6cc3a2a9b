// The COM port numbers the tests use, from one place. The fixture joins
// HOST_SIDE with DEVICE_SIDE and SECOND_HOST_SIDE with SECOND_DEVICE_SIDE like
// a null-modem cable; UNOPENABLE can never be opened. OVERRUN_HOST_SIDE and
// OVERRUN_DEVICE_SIDE are joined by a line that never slows the device: the
// host side holds a driver's buffer, and what comes beyond it is lost. On Windows, point the
// ARDUN_TEST_PORT_* variables at a com0com pair.
#pragma once

#include <string>

enum TestPort {
    HOST_SIDE,            // ARDUN_TEST_PORT_A, default 9
    DEVICE_SIDE,          // ARDUN_TEST_PORT_B, default 10
    SECOND_HOST_SIDE,     // ARDUN_TEST_PORT_C, default 11
    SECOND_DEVICE_SIDE,   // ARDUN_TEST_PORT_D, default 12
    UNOPENABLE,           // ARDUN_TEST_PORT_BAD, default 13
    OVERRUN_HOST_SIDE,    // ARDUN_TEST_PORT_E, default 15
    OVERRUN_DEVICE_SIDE,  // ARDUN_TEST_PORT_F, default 16
};

int TestPortNumber(TestPort port);
// "\\.\COM<n>" for the port.
std::string TestPortPath(TestPort port);
