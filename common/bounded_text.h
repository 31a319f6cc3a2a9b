// Bounded operations on fixed-size 8-bit text arrays. Each takes the
// destination's capacity in characters, terminator included. A capacity of 0
// or above 0x7FFFFFFF is refused with E_INVALIDARG and nothing is written;
// for any valid capacity the destination ends NUL-terminated within it.
#pragma once

#include <stdarg.h>
#include <stddef.h>

#include "common/result_codes.h"

// Largest capacity any of the operations accepts.
const size_t BOUNDED_TEXT_MAX = 0x7FFFFFFF;

// Copies source up to its NUL, at most capacity - 1 characters, then a NUL.
// RESULT_INSUFFICIENT_BUFFER when the source was cut.
ResultCode BoundedCopy(char* destination, size_t capacity, const char* source);

// Appends source after the destination's text. E_INVALIDARG, with nothing
// written, when the destination holds no NUL within its capacity.
ResultCode BoundedAppend(char* destination, size_t capacity, const char* source);

// printf into at most capacity - 1 characters. RESULT_INSUFFICIENT_BUFFER when
// the output was cut or formatting failed.
ResultCode BoundedPrintf(char* destination, size_t capacity, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;
ResultCode BoundedVPrintf(char* destination, size_t capacity, const char* format, va_list args);

// Counts the characters before the first NUL among the first maximum ones.
// E_INVALIDARG, and a length of 0, when there is no NUL among them.
ResultCode BoundedLength(const char* text, size_t maximum, size_t* length);
