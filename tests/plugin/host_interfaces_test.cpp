// The binary contract of the host interfaces: small recording implementations,
// called from C by slot number exactly as the host calls them.
#include "plugin/host_interfaces.h"

#include <gtest/gtest.h>

#include <vector>

#include "testkit/vtable_calls.h"

namespace {

// What the last operation saw: its slot and its arguments.
struct Recorder {
    int slot = -1;
    std::vector<SlotArg> args;
    uintptr_t Record(int s, std::vector<SlotArg> a)
    {
        slot = s;
        args = a;
        return 0x1000u + (uintptr_t)s;  // tells the caller which operation answered
    }
};

SlotArg U(const void* p)
{
    return (SlotArg)p;
}

class RecordingPlugin : public IMVPlugin {
public:
    Recorder rec;
    void* DestructorSlot(uint32_t flags) override { rec.Record(0, {flags}); return this; }
    int32_t GetPluginInfo(MVPluginInfo* i) override { return rec.Record(1, {U(i)}); }
    int32_t ShowConfig(MVConfigRequest* r) override { return rec.Record(2, {U(r)}); }
    IMVPluginComponent* GetComponent(uint32_t i) override
    {
        return (IMVPluginComponent*)(uintptr_t)rec.Record(3, {i});
    }
    void PluginReserved(uint32_t v) override { rec.Record(4, {v}); }
    int32_t SetProperty(uint32_t id, uint32_t v, uint32_t f) override { return rec.Record(5, {id, v, f}); }
};

class RecordingDataAcq : public IMVDataAcqIO {
public:
    Recorder rec;
    void* DestructorSlot(uint32_t flags) override { rec.Record(0, {flags}); return this; }
    int32_t GetComponentType() override { return rec.Record(1, {}); }
    int32_t GetComponentInfo(MVComponentInfo* i) override { return rec.Record(2, {U(i)}); }
    int32_t ShowConfig(MVConfigRequest* r) override { return rec.Record(3, {U(r)}); }
    int32_t ComponentReserved(uint32_t a, uint32_t b, uint32_t c) override { return rec.Record(4, {a, b, c}); }
    const char* GetLastErrorText(int32_t* f) override { return (const char*)(uintptr_t)rec.Record(5, {U(f)}); }
    ResultCode GetHardwareInfo(MVHardwareInfo* i) override { return rec.Record(6, {U(i)}); }
    ResultCode Open(MVOpenParams* p) override { return rec.Record(7, {U(p)}); }
    ResultCode Close() override { return rec.Record(8, {}); }
    ResultCode Write(MVIORequest* r) override { return rec.Record(9, {U(r)}); }
    ResultCode Read(MVIORequest* r) override { return rec.Record(10, {U(r)}); }
    ResultCode SetTimeouts(MVTimeouts* t) override { return rec.Record(11, {U(t)}); }
    ResultCode GetTimeouts(MVTimeouts* t) override { return rec.Record(12, {U(t)}); }
    ResultCode PurgeOutput() override { return rec.Record(13, {}); }
    ResultCode PurgeInput() override { return rec.Record(14, {}); }
};

// Calls slot `slot` with `args` (0, 1 or 3 of them) and checks that the
// operation of that slot saw exactly those arguments and balanced the stack.
void ExpectSlotReaches(void* object, Recorder& rec, int slot, std::vector<SlotArg> args, bool hasResult = true)
{
    SlotCall call;
    if (args.empty())
        call = CallSlot0Args(object, slot);
    else if (args.size() == 1)
        call = CallSlot1Arg(object, slot, args[0]);
    else
        call = CallSlot3Args(object, slot, args[0], args[1], args[2]);

    EXPECT_EQ(slot, rec.slot) << "slot " << slot;
    EXPECT_EQ(args, rec.args) << "slot " << slot;
    EXPECT_EQ(0, call.stackDelta) << "slot " << slot;
    if (slot == 0) {
        EXPECT_EQ(object, call.pointer) << "slot 0 returns the object";
    } else if (hasResult) {
        EXPECT_EQ(0x1000u + (uint32_t)slot, call.result) << "slot " << slot;
    }
}

TEST(HostInterfaces, EveryPluginSlotReachesItsOperation)
{
    RecordingPlugin plugin;
    void* object = static_cast<IMVPlugin*>(&plugin);
    ExpectSlotReaches(object, plugin.rec, 0, {1});
    ExpectSlotReaches(object, plugin.rec, 1, {0xA1A2A3A4});
    ExpectSlotReaches(object, plugin.rec, 2, {0xB1B2B3B4});
    ExpectSlotReaches(object, plugin.rec, 3, {0xFFFFFFFF});
    ExpectSlotReaches(object, plugin.rec, 4, {0x12345678}, false);
    ExpectSlotReaches(object, plugin.rec, 5, {5000, 0xCAFEF00D, 0xDEADBEEF});
}

TEST(HostInterfaces, EveryDataAcqSlotReachesItsOperation)
{
    RecordingDataAcq component;
    void* object = static_cast<IMVDataAcqIO*>(&component);
    // One pointer serves as both interfaces: no adjustment between them.
    ASSERT_EQ(object, (void*)static_cast<IMVPluginComponent*>(&component));

    ExpectSlotReaches(object, component.rec, 0, {0});
    // With a C++ virtual destructor under g++, slot 1 would be the deleting
    // destructor: it must already be the first named operation.
    ExpectSlotReaches(object, component.rec, 1, {});
    ExpectSlotReaches(object, component.rec, 2, {0x11111111});
    ExpectSlotReaches(object, component.rec, 3, {0x22222222});
    ExpectSlotReaches(object, component.rec, 4, {7, 8, 9});
    ExpectSlotReaches(object, component.rec, 5, {0x33333333});
    for (int slot = 6; slot <= 12; ++slot) {
        if (slot == 8)
            ExpectSlotReaches(object, component.rec, slot, {});
        else
            ExpectSlotReaches(object, component.rec, slot, {0x40000000u + (uint32_t)slot});
    }
    ExpectSlotReaches(object, component.rec, 13, {});
    ExpectSlotReaches(object, component.rec, 14, {});
}

}  // namespace

#if SLOT_CALLS_MEASURE_STACK
namespace {

TEST(HostInterfaces, AnUnbalancedCallWouldShow)
{
    // Passing three arguments to a one-argument operation leaves eight bytes behind
    // on the stack: the measure above can tell.
    RecordingPlugin plugin;
    SlotCall call = CallSlot3Args(static_cast<IMVPlugin*>(&plugin), 1, 1, 2, 3);
    EXPECT_EQ(-8, call.stackDelta);
}

}  // namespace
#endif
