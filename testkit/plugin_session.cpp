#include "testkit/plugin_session.h"

#include <string.h>

#include "testkit/vtable_calls.h"

PluginSession::PluginSession() : plugin(nullptr), component(nullptr), unbalancedCalls(0)
{
    memset(&module, 0, sizeof module);
}

PluginSession::~PluginSession()
{
    Unload();
}

bool PluginSession::Load(const char* fileName)
{
    Unload();
    if (!LoadPluginModuleNamed(&module, fileName))
        return false;
    plugin = module.create();
    if (plugin == nullptr)
        return false;
    component = CallSlot1Arg(plugin, slot::GET_COMPONENT, 0).pointer;
    return component != nullptr;
}

void PluginSession::Unload()
{
    UnloadPluginModule(&module);
    plugin = nullptr;
    component = nullptr;
}

void* PluginSession::CreatePluginAgain()
{
    return module.create ? module.create() : nullptr;
}

void PluginSession::Count(int32_t stackDelta)
{
    if (stackDelta != 0)
        ++unbalancedCalls;
}

uint32_t PluginSession::Call(void* object, int slotNumber)
{
    SlotCall call = CallSlot0Args(object, slotNumber);
    Count(call.stackDelta);
    return call.result;
}

uint32_t PluginSession::Call(void* object, int slotNumber, SlotArg a)
{
    SlotCall call = CallSlot1Arg(object, slotNumber, a);
    Count(call.stackDelta);
    return call.result;
}

uint32_t PluginSession::Call(void* object, int slotNumber, SlotArg a, SlotArg b, SlotArg c)
{
    SlotCall call = CallSlot3Args(object, slotNumber, a, b, c);
    Count(call.stackDelta);
    return call.result;
}

uint32_t PluginSession::Open(int32_t kind, uint32_t baudRate)
{
    MVOpenParams params = {kind, baudRate};
    return Call(component, slot::OPEN, Arg(&params));
}

uint32_t PluginSession::Close()
{
    return Call(component, slot::CLOSE);
}

uint32_t PluginSession::RequestPacket(uint8_t wanted, uint32_t* handled)
{
    uint8_t request[PACKET_REQUEST_LENGTH] = {PACKET_REQUEST_LETTER, wanted};
    MVIORequest write = {0, request, PACKET_REQUEST_LENGTH, handled};
    return Call(component, slot::WRITE, Arg(&write));
}

uint32_t PluginSession::ReadPayload(uint8_t* buffer, uint32_t length, uint32_t* handled)
{
    MVIORequest read = {0, buffer, length, handled};
    return Call(component, slot::READ, Arg(&read));
}

uint32_t PluginSession::PurgeInput()
{
    return Call(component, slot::PURGE_INPUT);
}

uint32_t PluginSession::SetTimeouts(uint32_t interval, uint32_t multiplier, uint32_t constant)
{
    MVTimeouts timeouts = {0, interval, multiplier, constant, 0, constant};
    return Call(component, slot::SET_TIMEOUTS, Arg(&timeouts));
}

std::string PluginSession::LastErrorText(int32_t* flag)
{
    return (const char*)CallSlot1Arg(component, slot::LAST_ERROR_TEXT, Arg(flag)).pointer;
}
