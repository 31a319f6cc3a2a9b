#include "tools/cli/import_patch.h"

#include <string.h>

namespace {

// The structure at an offset (a relative virtual address) into the loaded image.
template <typename T>
T* At(BYTE* base, size_t offset)
{
    return reinterpret_cast<T*>(base + offset);
}

// The entry in the import address table (FirstThunk) beside the function's
// hint/name entry in the lookup table (OriginalFirstThunk). The thunks are
// pointer-sized, so this reads the 32-bit and the 64-bit layout alike.
void** FindImportEntry(HMODULE module, const char* dllName, const char* functionName)
{
    BYTE* base = reinterpret_cast<BYTE*>(module);
    if (base == nullptr || At<const IMAGE_DOS_HEADER>(base, 0)->e_magic != IMAGE_DOS_SIGNATURE)
        return nullptr;
    const IMAGE_NT_HEADERS* nt = At<const IMAGE_NT_HEADERS>(base,
                                                            At<const IMAGE_DOS_HEADER>(base, 0)->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE)
        return nullptr;
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return nullptr;
    for (const IMAGE_IMPORT_DESCRIPTOR* dll = At<const IMAGE_IMPORT_DESCRIPTOR>(base, imports.VirtualAddress);
         dll->Name != 0; ++dll) {
        // Without the lookup table the names are gone once the loader has
        // filled the address table.
        if (_stricmp(At<const char>(base, dll->Name), dllName) != 0 || dll->OriginalFirstThunk == 0)
            continue;
        const IMAGE_THUNK_DATA* names = At<const IMAGE_THUNK_DATA>(base, dll->OriginalFirstThunk);
        IMAGE_THUNK_DATA* addresses = At<IMAGE_THUNK_DATA>(base, dll->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const IMAGE_IMPORT_BY_NAME* byName = At<const IMAGE_IMPORT_BY_NAME>(base,
                                                                                names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char*>(byName->Name), functionName) == 0)
                return reinterpret_cast<void**>(&addresses->u1.Function);
        }
    }
    return nullptr;
}

// The address table may lie in a read-only section: it is opened for the one
// write and given its protection back.
bool WriteEntry(void** entry, void* value)
{
    DWORD protection = 0;
    if (!VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &protection))
        return false;
    *entry = value;
    DWORD unused = 0;
    // The entry holds the value either way; a page left writable harms nothing.
    (void)VirtualProtect(entry, sizeof *entry, protection, &unused);
    return true;
}

}  // namespace

ImportPatch::ImportPatch(HMODULE module, const char* dllName, const char* functionName)
    : entry(FindImportEntry(module, dllName, functionName)), original(nullptr), redirected(false)
{
    if (entry != nullptr)
        original = *entry;
}

ImportPatch::~ImportPatch()
{
    // Nothing else can be done when the write back fails; the calls that
    // follow would then show it.
    if (redirected)
        (void)WriteEntry(entry, original);
}

bool ImportPatch::Redirect(void* replacement)
{
    if (entry == nullptr || !WriteEntry(entry, replacement))
        return false;
    redirected = true;
    return true;
}
