// A few receivers of one kind, each attached and detached by its own
// pointer, so that one receiver's detach never drops another. A fixed array:
// the plug-in allocates nothing for it. Attach and detach between the calls
// that reach the receivers, on the thread that makes them. Pure logic, no
// windows.h.
#pragma once

#include <stddef.h>

#include <algorithm>

// More than the port and the component ever have at once: the log, the
// trace and the plug-in's publisher.
const size_t RECEIVER_SLOTS = 4;

template <typename Receiver>
class ReceiverSlots {
public:
    // True when the receiver is attached, also when it was already; false
    // when every slot is taken. The receiver is not owned.
    bool Attach(Receiver* receiver)
    {
        if (receiver == NULL || Holds(receiver))
            return receiver != NULL;
        Receiver** const free = std::find(slots, slots + RECEIVER_SLOTS, nullptr);
        if (free == slots + RECEIVER_SLOTS)
            return false;
        *free = receiver;
        return true;
    }
    // Only this receiver's slot is emptied (it has one at most); one not
    // attached changes nothing.
    void Detach(const Receiver* receiver)
    {
        Receiver** const slot = std::find(slots, slots + RECEIVER_SLOTS, receiver);
        if (slot != slots + RECEIVER_SLOTS)
            *slot = NULL;
    }
    void DetachAll() { std::fill(slots, slots + RECEIVER_SLOTS, nullptr); }
    bool Holds(const Receiver* receiver) const
    {
        return std::find(slots, slots + RECEIVER_SLOTS, receiver) != slots + RECEIVER_SLOTS;
    }
    // The receiver in slot (below RECEIVER_SLOTS), null for an empty slot.
    Receiver* At(size_t slot) const { return slots[slot]; }
    // Calls call(receiver) for each attached receiver, in slot order.
    template <typename Call>
    void ForEach(Call call) const
    {
        for (Receiver* const slot : slots)
            if (slot != NULL)
                call(*slot);
    }

private:
    Receiver* slots[RECEIVER_SLOTS] = {};
};
