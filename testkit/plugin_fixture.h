// The fixture of the tests that drive the built DLL through its slots: the
// configured port is the host end of the first virtual COM pair, no settings
// file is left behind, and every slot call must leave the stack balanced.
#pragma once

#include <gtest/gtest.h>
#include <stdint.h>
#include <windows.h>

#include <chrono>
#include <vector>

#include "firmware/frame_bytes.h"
#include "testkit/plugin_session.h"
#include "testkit/seconds_since.h"

const uint32_t OK = 0;
const uint32_t FAIL = (uint32_t)E_FAIL;
const uint32_t INVALID = (uint32_t)E_INVALIDARG;
const uint32_t TIMEOUT = (uint32_t)RESULT_TIMEOUT;
const uint8_t MARK = 0xCC;

// length bytes counting up from first.
std::vector<uint8_t> Counting(size_t length, uint8_t first);

class PluginFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A fresh module: every static object starts again.
    void Reload();

    uint32_t Call(int slotNumber) { return session.Call(session.Component(), slotNumber); }
    uint32_t Call(int slotNumber, const void* record)
    {
        return session.Call(session.Component(), slotNumber, Arg(record));
    }
    bool PortIsOpen();

    PluginSession session;
};
