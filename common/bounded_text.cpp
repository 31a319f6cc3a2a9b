#include "common/bounded_text.h"

#include <stdio.h>
#include <string.h>

static bool IsValidCapacity(size_t capacity)
{
    return capacity != 0 && capacity <= BOUNDED_TEXT_MAX;
}

ResultCode BoundedCopy(char* destination, size_t capacity, const char* source)
{
    if (!IsValidCapacity(capacity))
        return E_INVALIDARG;
    size_t copied = 0;
    while (copied < capacity - 1 && source[copied] != '\0') {
        destination[copied] = source[copied];
        ++copied;
    }
    destination[copied] = '\0';
    return source[copied] == '\0' ? RESULT_OK : RESULT_INSUFFICIENT_BUFFER;
}

ResultCode BoundedAppend(char* destination, size_t capacity, const char* source)
{
    if (!IsValidCapacity(capacity))
        return E_INVALIDARG;
    size_t used = 0;
    if (BoundedLength(destination, capacity, &used) != RESULT_OK)
        return E_INVALIDARG;
    return BoundedCopy(destination + used, capacity - used, source);
}

ResultCode BoundedVPrintf(char* destination, size_t capacity, const char* format, va_list args)
{
    if (!IsValidCapacity(capacity))
        return E_INVALIDARG;
    int written = vsnprintf(destination, capacity, format, args);
    if (written >= 0 && (size_t)written < capacity - 1)
        return RESULT_OK;  // the bytes after the terminator are left as they were
    // A full, cut or failed output ends at the last element.
    destination[capacity - 1] = '\0';
    return written >= 0 && (size_t)written == capacity - 1 ? RESULT_OK : RESULT_INSUFFICIENT_BUFFER;
}

ResultCode BoundedPrintf(char* destination, size_t capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    ResultCode result = BoundedVPrintf(destination, capacity, format, args);
    va_end(args);
    return result;
}

ResultCode BoundedLength(const char* text, size_t maximum, size_t* length)
{
    if (!IsValidCapacity(maximum)) {
        // A caller that ignores the result still reads a harmless length.
        if (length)
            *length = 0;
        return E_INVALIDARG;
    }
    const void* terminator = memchr(text, '\0', maximum);
    if (length)
        *length = terminator ? (size_t)(static_cast<const char*>(terminator) - text) : 0;
    return terminator ? RESULT_OK : E_INVALIDARG;
}
