#include "testkit/uart_buffer_model.h"

#include <inttypes.h>
#include <stdio.h>

size_t UartBufferModel::Receive(size_t bytes)
{
    const size_t kept = bytes < Room() ? bytes : Room();
    queued += kept;
    Lose(bytes - kept);
    return kept;
}

void UartBufferModel::Take(size_t bytes)
{
    queued -= bytes < queued ? bytes : queued;
}

void UartBufferModel::SetQueued(size_t bytes)
{
    queued = bytes < capacity ? bytes : capacity;
}

void UartBufferModel::Lose(uint64_t bytes)
{
    lost += bytes;
    overrun = overrun || bytes > 0;
}

void UartBufferModel::NoteLostTotal(uint64_t total)
{
    if (total > lost)
        Lose(total - lost);
}

uint32_t UartBufferModel::TakeErrors()
{
    const uint32_t errors = overrun ? UART_RX_OVERRUN : 0;
    overrun = false;
    return errors;
}

std::string FormatUartLineState(const UartLineState& state)
{
    char text[80];
    snprintf(text, sizeof text, "capacity %" PRIu64 " lost %" PRIu64 " overrun %d\n", state.capacity,
             state.lost, state.overrun ? 1 : 0);
    return text;
}

bool ParseUartLineState(const char* text, UartLineState* state)
{
    int overrun = 0;
    if (sscanf(text, "capacity %" SCNu64 " lost %" SCNu64 " overrun %d", &state->capacity, &state->lost,
               &overrun) != 3)
        return false;
    state->overrun = overrun != 0;
    return true;
}
