/* Plain C on purpose: nothing of C++ helps these calls find their slots. */
#include "vtable_calls.h"

typedef uint32_t(__thiscall* Fn0)(void* self);
typedef uint32_t(__thiscall* Fn1)(void* self, uint32_t a);
typedef uint32_t(__thiscall* Fn3)(void* self, uint32_t a, uint32_t b, uint32_t c);

/* The first word of every object is its table of virtual operations. */
static void* Slot(void* object, int slot)
{
    void** table = *(void***)object;
    return table[slot];
}

#define STACK_POINTER(into) __asm__ volatile("movl %%esp, %0" : "=r"(into))

SlotCall CallSlot0Args(void* object, int slot)
{
    SlotCall call;
    uintptr_t before, after;
    Fn0 fn = (Fn0)Slot(object, slot);
    STACK_POINTER(before);
    call.result = fn(object);
    STACK_POINTER(after);
    call.stackDelta = (int32_t)(after - before);
    return call;
}

SlotCall CallSlot1Arg(void* object, int slot, uint32_t a)
{
    SlotCall call;
    uintptr_t before, after;
    Fn1 fn = (Fn1)Slot(object, slot);
    STACK_POINTER(before);
    call.result = fn(object, a);
    STACK_POINTER(after);
    call.stackDelta = (int32_t)(after - before);
    return call;
}

SlotCall CallSlot3Args(void* object, int slot, uint32_t a, uint32_t b, uint32_t c)
{
    SlotCall call;
    uintptr_t before, after;
    Fn3 fn = (Fn3)Slot(object, slot);
    STACK_POINTER(before);
    call.result = fn(object, a, b, c);
    STACK_POINTER(after);
    call.stackDelta = (int32_t)(after - before);
    return call;
}
