// The DLL's own allocation functions. The module is built without exceptions,
// and these keep the standard library's throwing allocator out of it: with
// that allocator comes the unwinder, whose thread-library state leaves an
// event and a thread handle behind on the loading thread at every load of the
// DLL. The module allocates only a few bytes per serial port object; if even
// those cannot be had, the process is past saving, as it would be with an
// uncaught allocation failure.
#include <stdlib.h>

#include <new>

static void* Allocate(size_t size)
{
    void* block = malloc(size != 0 ? size : 1);
    if (block == NULL)
        abort();
    return block;
}

void* operator new(size_t size)
{
    return Allocate(size);
}

void* operator new[](size_t size)
{
    return Allocate(size);
}

void operator delete(void* block) noexcept
{
    free(block);
}

void operator delete[](void* block) noexcept
{
    free(block);
}

void operator delete(void* block, size_t) noexcept
{
    free(block);
}

void operator delete[](void* block, size_t) noexcept
{
    free(block);
}
