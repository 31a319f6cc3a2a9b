/* Calls an object's virtual operations the way the host does: from C, by slot
 * number, through thiscall function pointers. Each call reports the 32-bit
 * result and how far the stack pointer moved across it (0 when the callee
 * removed exactly the arguments it was given). */
#ifndef ARDUN_TESTS_VTABLE_CALLS_H
#define ARDUN_TESTS_VTABLE_CALLS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct SlotCall {
    uint32_t result;
    int32_t stackDelta;
} SlotCall;

SlotCall CallSlot0Args(void* object, int slot);
SlotCall CallSlot1Arg(void* object, int slot, uint32_t a);
SlotCall CallSlot3Args(void* object, int slot, uint32_t a, uint32_t b, uint32_t c);

#ifdef __cplusplus
}
#endif

#endif
