#include "testkit/plugin_fixture.h"

#include "testkit/device_port.h"
#include "testkit/settings_file.h"

std::vector<uint8_t> Counting(size_t length, uint8_t first)
{
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = (uint8_t)(first + i);
    return bytes;
}

void PluginFixture::SetUp()
{
    RemoveSettingsFile();
    DrainHostSide();
    ConfigurePort(TestPortPath(HOST_SIDE));
    ASSERT_TRUE(session.Load()) << "ArdunParser.dll beside the test, with both exports";
}

void PluginFixture::TearDown()
{
    EXPECT_EQ(0, session.UnbalancedCalls()) << "a slot removed the wrong number of arguments";
    session.Unload();
    RemoveSettingsFile();
    DrainHostSide();
}

void PluginFixture::Reload()
{
    session.Unload();
    ASSERT_TRUE(session.Load());
}

bool PluginFixture::PortIsOpen()
{
    MVTimeouts timeouts = {};
    return Call(slot::GET_TIMEOUTS, &timeouts) == OK;
}
