// One entry of a loaded module's import address table pointed at a
// replacement, and pointed back when the patch ends (also on an early
// return). The module's calls to that function go through the entry, so they
// reach the replacement; nothing in the module changes otherwise. The module
// must stay loaded while the patch lives. The tests inject Windows' faults
// with it; ardun-host listens in on the plug-in's reads of its port.
#pragma once

#include <windows.h>

class ImportPatch {
public:
    // Finds the entry of `functionName`, imported by name from `dllName`
    // (the DLL name compared without regard to case). Nothing is changed yet.
    ImportPatch(HMODULE module, const char* dllName, const char* functionName);
    ~ImportPatch();

    bool IsFound() const { return entry != nullptr; }
    // What the entry held when found: the real function, for the replacement
    // to pass calls on to.
    void* Original() const { return original; }
    // Points the entry at `replacement`; false when the entry was not found
    // or cannot be written.
    bool Redirect(void* replacement);

private:
    ImportPatch(const ImportPatch&);
    ImportPatch& operator=(const ImportPatch&);

    void** entry;
    void* original;
    bool redirected;
};
