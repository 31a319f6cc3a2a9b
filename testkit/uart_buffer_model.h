// The receiving side of a UART behind a driver buffer, as a device that cannot
// be slowed meets it: bytes arrive at the device's pace, the buffer holds at
// most its capacity, and what arrives while it is full is lost and counted.
// The loss is flagged as an overrun (CE_RXOVER) until the port's status call
// reads it. Pure logic: the test kit's line relay keeps the buffer with it on
// Linux, and the Wine side reports its overruns from the relay's published
// state with it, and the findings' line model keeps the bytes themselves
// beside it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

const size_t UART_DEFAULT_BUFFER = 4096;  // a usual driver's input buffer
const uint32_t UART_RX_OVERRUN = 0x0001;  // CE_RXOVER, as ClearCommError reports it

class UartBufferModel {
public:
    explicit UartBufferModel(size_t capacity = UART_DEFAULT_BUFFER) : capacity(capacity) {}

    // `bytes` arrive: as many as fit are kept, the rest lost. The count kept.
    size_t Receive(size_t bytes);
    // The reader took `bytes` from the buffer.
    void Take(size_t bytes);
    // The buffer holds `bytes`, as the driver counts it (never above capacity).
    void SetQueued(size_t bytes);
    // Bytes kept that could not be passed on after all: lost too.
    void Lose(uint64_t bytes);
    // The line's lost count as someone else counts it: a count that grew is
    // an overrun since the last status call.
    void NoteLostTotal(uint64_t total);
    // The port's status call: the error flags since the last call, then none.
    uint32_t TakeErrors();

    size_t Capacity() const { return capacity; }
    size_t Queued() const { return queued; }
    size_t Room() const { return capacity - queued; }
    uint64_t Lost() const { return lost; }

private:
    size_t capacity;
    size_t queued = 0;
    uint64_t lost = 0;
    bool overrun = false;
};

// What the relay publishes of its line, one line of text:
// "capacity 4096 lost 18432 overrun 1" (overrun: the latest bytes were lost).
struct UartLineState {
    uint64_t capacity = 0;
    uint64_t lost = 0;
    bool overrun = false;
};

std::string FormatUartLineState(const UartLineState& state);
// False when the text is not such a line.
bool ParseUartLineState(const char* text, UartLineState* state);
