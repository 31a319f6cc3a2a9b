// The host's side of a session with the built plug-in: ArdunParser.dll loaded
// from beside the program, the plug-in object from MVCreatePlugin, its
// component from GetComponent(0), and the component's operations called by
// slot number from C, as the host calls them. Shared by the reliability
// tests and the benchmarks.
#pragma once

#include <stdint.h>

#include <string>

#include "plugin/host_interfaces.h"
#include "testkit/plugin_host.h"
#include "testkit/vtable_calls.h"

class PluginSession {
public:
    PluginSession();
    ~PluginSession();

    // Loads the DLL (or a copy of it by that name, beside the program),
    // creates the plug-in and takes its component; false when any step fails.
    bool Load(const char* fileName = "ArdunParser.dll");
    // Unloads the DLL (its static objects end: an open port is closed).
    void Unload();
    bool IsLoaded() const { return component != nullptr; }
    // The loaded DLL, whose import table the fault tests patch.
    HMODULE Module() const { return module.module; }

    void* Plugin() const { return plugin; }
    void* Component() const { return component; }
    // MVCreatePlugin again, which reloads the settings file.
    void* CreatePluginAgain();

    // A slot of any object, by number, with its 32-bit result.
    uint32_t Call(void* object, int slotNumber);
    uint32_t Call(void* object, int slotNumber, SlotArg a);
    uint32_t Call(void* object, int slotNumber, SlotArg a, SlotArg b, SlotArg c);
    // Calls after which the stack pointer had moved: the callee removed a
    // different number of arguments than the host pushed.
    int UnbalancedCalls() const { return unbalancedCalls; }

    // The component's operations most callers need.
    uint32_t Open(int32_t kind = OPEN_KIND_SERIAL, uint32_t baudRate = 115200);
    uint32_t Close();
    // Write of the two-byte request P, N.
    uint32_t RequestPacket(uint8_t wanted, uint32_t* handled = nullptr);
    uint32_t ReadPayload(uint8_t* buffer, uint32_t length, uint32_t* handled);
    uint32_t PurgeInput();
    uint32_t SetTimeouts(uint32_t interval, uint32_t multiplier, uint32_t constant);
    std::string LastErrorText(int32_t* flag);

private:
    PluginSession(const PluginSession&);
    PluginSession& operator=(const PluginSession&);

    void Count(int32_t stackDelta);

    PluginModule module;
    void* plugin;
    void* component;
    int unbalancedCalls;
};

// The record argument of a slot call: a pointer as the host passes it.
inline SlotArg Arg(const void* pointer)
{
    return (SlotArg)pointer;
}
