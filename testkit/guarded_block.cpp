#include "testkit/guarded_block.h"

#include <string.h>
#include <windows.h>

GuardedBlock::GuardedBlock() : base(nullptr), pageSize(0)
{
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    pageSize = system.dwPageSize;
    base = (uint8_t*)VirtualAlloc(NULL, 2 * pageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    DWORD previous = 0;
    if (base != nullptr && !VirtualProtect(base + pageSize, pageSize, PAGE_NOACCESS, &previous)) {
        VirtualFree(base, 0, MEM_RELEASE);
        base = nullptr;
    }
}

GuardedBlock::~GuardedBlock()
{
    if (base != nullptr)
        VirtualFree(base, 0, MEM_RELEASE);
}

uint8_t* GuardedBlock::Place(size_t size, uint8_t fill)
{
    if (base == nullptr || size > pageSize)
        return nullptr;
    uint8_t* start = base + pageSize - size;
    memset(start, fill, size);
    return start;
}
