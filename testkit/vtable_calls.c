/* Plain C on purpose: nothing of C++ helps these calls find their slots. */
#include "vtable_calls.h"

#if SLOT_CALLS_MEASURE_STACK
#define HOST_CALL __thiscall
#define STACK_POINTER(into) __asm__ volatile("movl %%esp, %0" : "=r"(into))
#else
#define HOST_CALL
#define STACK_POINTER(into) ((into) = 0)
#endif

typedef uintptr_t(HOST_CALL* Fn0)(void* self);
typedef uintptr_t(HOST_CALL* Fn1)(void* self, SlotArg a);
typedef uintptr_t(HOST_CALL* Fn3)(void* self, SlotArg a, SlotArg b, SlotArg c);

/* The first word of every object is its table of virtual operations. */
static void* Slot(void* object, int slot)
{
    void** table = *(void***)object;
    return table[slot];
}

static SlotCall Finish(uintptr_t result, uintptr_t stackBefore, uintptr_t stackAfter)
{
    SlotCall call;
    call.result = (uint32_t)result;
    call.pointer = (void*)result;
    call.stackDelta = (int32_t)(stackAfter - stackBefore);
    return call;
}

SlotCall CallSlot0Args(void* object, int slot)
{
    uintptr_t before, after, result;
    Fn0 fn = (Fn0)Slot(object, slot);
    STACK_POINTER(before);
    result = fn(object);
    STACK_POINTER(after);
    return Finish(result, before, after);
}

SlotCall CallSlot1Arg(void* object, int slot, SlotArg a)
{
    uintptr_t before, after, result;
    Fn1 fn = (Fn1)Slot(object, slot);
    STACK_POINTER(before);
    result = fn(object, a);
    STACK_POINTER(after);
    return Finish(result, before, after);
}

SlotCall CallSlot3Args(void* object, int slot, SlotArg a, SlotArg b, SlotArg c)
{
    uintptr_t before, after, result;
    Fn3 fn = (Fn3)Slot(object, slot);
    STACK_POINTER(before);
    result = fn(object, a, b, c);
    STACK_POINTER(after);
    return Finish(result, before, after);
}
