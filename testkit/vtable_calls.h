/* Calls an object's virtual operations the way the host does: from C, by slot
 * number, through function pointers of the host's calling convention. On the
 * 32-bit module that is thiscall, and each call also reports how far the stack
 * pointer moved across it (0 when the callee removed exactly the arguments it
 * was given). The 64-bit test build has one calling convention and no
 * callee-removed arguments, so there the stack is not measured. */
#ifndef ARDUN_TESTS_VTABLE_CALLS_H
#define ARDUN_TESTS_VTABLE_CALLS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Whether stackDelta measures anything in this build. */
#if defined(__i386__)
#define SLOT_CALLS_MEASURE_STACK 1
#else
#define SLOT_CALLS_MEASURE_STACK 0
#endif

/* One argument as the host passes it: a 32-bit value or a record pointer. */
typedef uintptr_t SlotArg;

typedef struct SlotCall {
    /* The result as 32 bits: a slot that returns a 32-bit value leaves the
     * rest of a 64-bit result register undefined. */
    uint32_t result;
    /* The whole result, for the slots that return a pointer. */
    void* pointer;
    int32_t stackDelta;
} SlotCall;

SlotCall CallSlot0Args(void* object, int slot);
SlotCall CallSlot1Arg(void* object, int slot, SlotArg a);
SlotCall CallSlot3Args(void* object, int slot, SlotArg a, SlotArg b, SlotArg c);

#ifdef __cplusplus
}
#endif

#endif
