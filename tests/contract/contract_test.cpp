// The built ArdunParser.dll, driven the way the host drives it: loaded with
// LoadLibraryA, entered through its exports, and called by slot number from C.
// Nothing here links the module's code: what passes here passes for the DLL.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

#include "plugin/host_interfaces.h"
#include "testkit/device_port.h"
#include "testkit/dialog_user.h"
#include "testkit/open_handles.h"
#include "testkit/plugin_host.h"
#include "testkit/settings_file.h"
#include "testkit/vtable_calls.h"

namespace {

using namespace slot;

const uint8_t MARK = 0xCC;

SlotArg U(const void* p)
{
    return (SlotArg)p;
}

// Result of a slot call, checked for a balanced stack on the way.
uint32_t Call(void* object, int slot)
{
    SlotCall call = CallSlot0Args(object, slot);
    EXPECT_EQ(0, call.stackDelta) << "slot " << slot;
    return call.result;
}
uint32_t Call(void* object, int slot, SlotArg a)
{
    SlotCall call = CallSlot1Arg(object, slot, a);
    EXPECT_EQ(0, call.stackDelta) << "slot " << slot;
    return call.result;
}
// The same for the slots whose result is a pointer.
void* CallForPointer(void* object, int slot, SlotArg a)
{
    SlotCall call = CallSlot1Arg(object, slot, a);
    EXPECT_EQ(0, call.stackDelta) << "slot " << slot;
    return call.pointer;
}
uint32_t Call(void* object, int slot, SlotArg a, SlotArg b, SlotArg c)
{
    SlotCall call = CallSlot3Args(object, slot, a, b, c);
    EXPECT_EQ(0, call.stackDelta) << "slot " << slot;
    return call.result;
}

void Put(std::vector<uint8_t>& image, size_t offset, const std::vector<uint8_t>& bytes)
{
    memcpy(image.data() + offset, bytes.data(), bytes.size());
}
void PutText(std::vector<uint8_t>& image, size_t offset, const char* text)
{
    memcpy(image.data() + offset, text, strlen(text) + 1);
}

class PluginContract : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveSettingsFile();
        ASSERT_TRUE(LoadPluginModule(&plugin)) << "ArdunParser.dll beside the test, with both exports";
    }
    void TearDown() override
    {
        UnloadPluginModule(&plugin);
        RemoveSettingsFile();
    }

    void* CreatePlugin() { return plugin.create(); }
    void* Component() { return CallForPointer(CreatePlugin(), GET_COMPONENT, 0); }

    uint32_t Open(void* component, uint32_t kind = OPEN_KIND_SERIAL, uint32_t baud = 115200)
    {
        MVOpenParams params = {(int32_t)kind, baud};
        return Call(component, OPEN, U(&params));
    }
    std::string LastError(void* component, int32_t* flag)
    {
        return (const char*)CallForPointer(component, LAST_ERROR_TEXT, U(flag));
    }

    PluginModule plugin;
};

TEST_F(PluginContract, ExportsAreFoundByNameAndByOrdinal)
{
    EXPECT_EQ((FARPROC)(void*)plugin.create, ExportByOrdinal(&plugin, 1));
    EXPECT_EQ((FARPROC)(void*)plugin.release, ExportByOrdinal(&plugin, 2));
}

TEST_F(PluginContract, PluginInfoWritesExactlyItsBytes)
{
    std::vector<uint8_t> record(800, MARK);
    ASSERT_EQ(1u, Call(CreatePlugin(), PLUGIN_INFO, U(record.data())));

    const char* author = (const char*)record.data() + 601;
    size_t authorLength = strnlen(author, 100);
    ASSERT_GT(authorLength, 0u);
    ASSERT_LT(authorLength, 100u);

    std::vector<uint8_t> expected(800, MARK);
    Put(expected, 4, {3, 0, 0, 0});
    Put(expected, 8, {0x20, 0x7E, 0x1C, 0x5A, 0x3D, 0x8B, 0x61, 0x4F, 0x9C, 0x2E, 0x0D, 0x4B, 0x7A, 0x93, 0xE6, 0x15});
    PutText(expected, 24, "Ardun Packet Parser Plug-in");
    PutText(expected, 74, "This plug-in parses Ardun 1 and Ardun 3 packets");
    PutText(expected, 586, "1.0.0");
    PutText(expected, 601, author);
    Put(expected, 704, {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    EXPECT_EQ(expected, record);

    EXPECT_EQ(0u, Call(CreatePlugin(), PLUGIN_INFO, 0));
}

TEST_F(PluginContract, ComponentAndHardwareInfoWriteExactlyTheirBytes)
{
    void* component = Component();
    ASSERT_NE(nullptr, component);
    EXPECT_EQ(100001u, Call(component, COMPONENT_TYPE));

    std::vector<uint8_t> record(700, MARK);
    ASSERT_EQ(1u, Call(component, COMPONENT_INFO, U(record.data())));
    std::vector<uint8_t> expected(700, MARK);
    Put(expected, 4, {0xC1, 0xB2, 0x94, 0x7E, 0xDA, 0x06, 0x38, 0x4C, 0xB5, 0x71, 0x2F, 0x8E, 0x6A, 0x0D, 0x93, 0xB4});
    PutText(expected, 20, "Ardun Packet Parser Component");
    PutText(expected, 70, "This component parses Ardun 1 and Ardun 3 data packets.");
    PutText(expected, 582, "1.0.0");
    Put(expected, 600, {1, 0, 0, 0, 1, 0, 0, 0});
    EXPECT_EQ(expected, record);
    EXPECT_EQ(0u, Call(component, COMPONENT_INFO, 0));

    std::vector<uint8_t> hardware(64, MARK);
    EXPECT_EQ(0u, Call(component, HARDWARE_INFO, U(hardware.data())));
    std::vector<uint8_t> expectedHardware(64, MARK);
    PutText(expectedHardware, 4, "Fake Data Acq Hardware");
    expectedHardware[54] = 0;
    EXPECT_EQ(expectedHardware, hardware);
    EXPECT_EQ((uint32_t)E_INVALIDARG, Call(component, HARDWARE_INFO, 0));
}

TEST_F(PluginContract, OneStaticPluginAndComponentWhateverTheCalls)
{
    void* first = CreatePlugin();
    EXPECT_EQ(first, CreatePlugin());
    void* component = Component();
    ASSERT_NE(nullptr, component);
    EXPECT_EQ(component, Component());
    // Slot 0, the host's deleting destructor, hands back the static object
    // and leaves it working.
    EXPECT_EQ(component, CallForPointer(component, COMPONENT_DESTRUCTOR, 0));
    EXPECT_EQ(0u, Call(first, GET_COMPONENT, 1));
    EXPECT_EQ(0u, Call(first, GET_COMPONENT, 0xFFFFFFFFu));

    Call(first, PLUGIN_RESERVED, 42);
    // The plug-in object keeps one value, in the field after its table.
    const auto keptProperty = [first] { return *(const uint32_t*)((const char*)first + sizeof(void*)); };
    EXPECT_EQ(0u, keptProperty()) << "0 from load on";
    EXPECT_EQ(0u, Call(first, SET_PROPERTY, 5000, 7, 9));
    EXPECT_EQ(7u, keptProperty());
    for (uint32_t id : {5001u, 4999u, 0u}) {
        EXPECT_EQ(0u, Call(first, SET_PROPERTY, id, 8, 9)) << id;
        EXPECT_EQ(7u, keptProperty()) << "id " << id << " leaves it alone";
    }
    EXPECT_EQ(0u, Call(component, COMPONENT_RESERVED, 1, 2, 3));
    // Usable before any Open: the port-bound operations say it is closed.
    EXPECT_EQ(0u, Call(component, CLOSE));
    EXPECT_EQ(0u, Call(component, PURGE_INPUT));
    EXPECT_EQ(0u, Call(component, PURGE_OUTPUT));
    MVTimeouts timeouts = {};
    EXPECT_EQ((uint32_t)E_FAIL, Call(component, GET_TIMEOUTS, U(&timeouts)));
}

TEST_F(PluginContract, WithoutASettingsFileTheDefaultPortIsOpened)
{
    void* component = Component();
    // COM1 is absent in the test machine's prefix.
    EXPECT_EQ((uint32_t)E_FAIL, Open(component));
    int32_t flag = 0;
    EXPECT_EQ("Could not open \\\\.\\COM1", LastError(component, &flag));
    EXPECT_EQ(1, flag);

    // The text and the flag name the failure until the next one: an open
    // that works leaves them.
    ConfigurePort(TestPortPath(HOST_SIDE));
    CreatePlugin();
    EXPECT_EQ(0u, Open(component));
    EXPECT_EQ("Could not open \\\\.\\COM1", LastError(component, &flag));
    EXPECT_EQ(1, flag);
    EXPECT_EQ(0u, Call(component, CLOSE));
}

TEST_F(PluginContract, EveryCreateReloadsTheSettingsFile)
{
    ConfigurePort(TestPortPath(UNOPENABLE));
    void* first = CreatePlugin();
    void* component = CallForPointer(first, GET_COMPONENT, 0);
    EXPECT_EQ((uint32_t)E_FAIL, Open(component));
    int32_t flag = 0;
    EXPECT_EQ("Could not open " + TestPortPath(UNOPENABLE), LastError(component, &flag));

    ConfigurePort("\\\\.\\COM77");
    EXPECT_EQ(first, CreatePlugin());
    EXPECT_EQ((uint32_t)E_FAIL, Open(component));
    EXPECT_EQ("Could not open \\\\.\\COM77", LastError(component, &flag));
}

TEST_F(PluginContract, ReleaseLeavesAnOpenPortWorking)
{
    DrainHostSide();
    ConfigurePort(TestPortPath(HOST_SIDE));
    void* component = Component();
    ASSERT_EQ(0u, Open(component));
    plugin.release();

    MVTimeouts timeouts = {0, 1, 2, 3, 4, 5};
    EXPECT_EQ(0u, Call(component, SET_TIMEOUTS, U(&timeouts)));
    MVTimeouts readBack = {};
    EXPECT_EQ(0u, Call(component, GET_TIMEOUTS, U(&readBack)));
    EXPECT_EQ(0, memcmp(&timeouts.readIntervalTimeout, &readBack.readIntervalTimeout, 20));
    MVTimeouts usual = {0, 40, 0, 300, 0, 300};
    EXPECT_EQ(0u, Call(component, SET_TIMEOUTS, U(&usual)));

    DevicePort device;
    ASSERT_TRUE(device.IsOpen());
    ASSERT_TRUE(device.SendQueued({0xAA, 0xFF, 0x00, 0x01, 0xFF, 0xFF, 0x00, 0x55}));

    uint8_t request[2] = {PACKET_REQUEST_LETTER, 3};
    uint32_t handled = 99;
    MVIORequest write = {0, request, 2, &handled};
    EXPECT_EQ(0u, Call(component, WRITE, U(&write)));
    EXPECT_EQ(2u, handled);

    uint8_t payload[8];
    memset(payload, MARK, sizeof payload);
    MVIORequest read = {0, payload, 3, &handled};
    EXPECT_EQ(0u, Call(component, READ, U(&read)));
    EXPECT_EQ(3u, handled);
    EXPECT_EQ(std::vector<uint8_t>({0x01, 0xFF, 0x00, MARK}), std::vector<uint8_t>(payload, payload + 4));
    EXPECT_EQ(0u, Call(component, CLOSE));
}

TEST_F(PluginContract, UnloadClosesAnOpenPortAndLeaksNoHandle)
{
    UnloadPluginModule(&plugin);
    ConfigurePort(TestPortPath(HOST_SIDE));
    // Warm up once: the first load may set up process-wide state of its own.
    ASSERT_TRUE(LoadPluginModule(&plugin));
    UnloadPluginModule(&plugin);
    const HandleSet before = OpenHandles();

    ASSERT_TRUE(LoadPluginModule(&plugin));
    ASSERT_EQ(0u, Open(Component()));
    EXPECT_GT(OpenHandles().size(), before.size());
    UnloadPluginModule(&plugin);
    HandleSet after = OpenHandles();
    EXPECT_EQ(before, after) << "unloading with the port open closes it: " << DescribeHandleChange(before, after);

    for (int round = 0; round < 50; ++round) {
        ASSERT_TRUE(LoadPluginModule(&plugin));
        void* component = Component();
        ASSERT_EQ(0u, Open(component)) << round;
        if (round % 2)
            Call(component, CLOSE);
        UnloadPluginModule(&plugin);
    }
    after = OpenHandles();
    EXPECT_EQ(before, after) << DescribeHandleChange(before, after);
    ASSERT_TRUE(LoadPluginModule(&plugin));  // for TearDown
}

TEST_F(PluginContract, BothShowConfigSlotsRunTheDialogAndReturnZero)
{
    void* first = CreatePlugin();
    void* component = Component();
    EXPECT_EQ(0u, Call(first, PLUGIN_SHOW_CONFIG, 0));
    EXPECT_EQ(0u, Call(component, COMPONENT_SHOW_CONFIG, 0));

    MVConfigRequest request = {0, NULL};
    {
        DialogUser cancel(PRESS_CANCEL);
        EXPECT_EQ(0u, Call(first, PLUGIN_SHOW_CONFIG, U(&request)));
        EXPECT_TRUE(cancel.Finish().shown);
    }
    {
        DialogUser ok(PRESS_OK);
        EXPECT_EQ(0u, Call(component, COMPONENT_SHOW_CONFIG, U(&request)));
        EXPECT_TRUE(ok.Finish().shown);
    }
    // OK saved the choice beside the module: the absent default port, which
    // headed the list and was selected.
    std::vector<uint8_t> saved;
    EXPECT_TRUE(ReadSettingsFile(&saved));
    EXPECT_EQ(SettingsFileBytes("\\\\.\\COM1"), saved);
}

}  // namespace
