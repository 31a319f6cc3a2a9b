#include "common/module_handle.h"

static HINSTANCE moduleInstance = NULL;

HINSTANCE GetModuleInstance()
{
    return moduleInstance;
}

void SetModuleInstance(HINSTANCE instance)
{
    moduleInstance = instance;
}
