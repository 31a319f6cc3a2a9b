#include "common/result_codes.h"

ResultCode WrapPlatformError(int32_t e)
{
    if (e <= 0)
        return e;
    return (ResultCode)(((uint32_t)e & 0xFFFFu) | 0x80070000u);
}

ResultCode WrapPlatformFailure(int32_t e)
{
    const ResultCode wrapped = WrapPlatformError(e);
    return wrapped == RESULT_OK ? E_FAIL : wrapped;
}
