// The 32-bit result codes that the host understands, and the wrapping of a
// platform error number into one of them.
#pragma once

#include <stdint.h>

#ifdef _WIN32
#include <windows.h>  // E_FAIL and E_INVALIDARG come from here on Windows
#endif

typedef int32_t ResultCode;

#ifndef E_FAIL
#define E_FAIL ((ResultCode)0x80004005u)
#endif
#ifndef E_INVALIDARG
#define E_INVALIDARG ((ResultCode)0x80070057u)
#endif

const ResultCode RESULT_OK = 0;
// Windows error 122 (insufficient buffer) as a result code: a text was cut.
const ResultCode RESULT_INSUFFICIENT_BUFFER = (ResultCode)0x8007007Au;
// Windows error 1460 (time-out) as a result code: a packet did not arrive whole.
const ResultCode RESULT_TIMEOUT = (ResultCode)0x800705B4u;

// Wraps platform error e as (e AND 0xFFFF) OR 0x80070000; 0 and negative
// values pass through unchanged.
ResultCode WrapPlatformError(int32_t e);

// The result for a platform call that failed with error e: as
// WrapPlatformError, but E_FAIL where the platform gave no error code, so a
// failure is never reported as success.
ResultCode WrapPlatformFailure(int32_t e);
