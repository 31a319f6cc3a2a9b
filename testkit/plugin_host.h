/* The host's side of the contract, in C: load the plug-in module, find its
 * exports by name and by ordinal, unload it. Slots are called through
 * testkit/vtable_calls.h. */
#ifndef ARDUN_TESTS_PLUGIN_HOST_H
#define ARDUN_TESTS_PLUGIN_HOST_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* (*CreatePluginFn)(void);
typedef void (*ReleasePluginFn)(void);

typedef struct PluginModule {
    HMODULE module;
    CreatePluginFn create;   /* MVCreatePlugin, found by name */
    ReleasePluginFn release; /* MVReleasePlugin, found by name */
} PluginModule;

/* Loads ArdunParser.dll from the test program's own folder. 0 on failure. */
int LoadPluginModule(PluginModule* plugin);
/* The same for another file name in that folder: a copy of the DLL loads as
 * a module of its own, with its own objects. */
int LoadPluginModuleNamed(PluginModule* plugin, const char* fileName);
void UnloadPluginModule(PluginModule* plugin);
FARPROC ExportByOrdinal(const PluginModule* plugin, WORD ordinal);

#ifdef __cplusplus
}
#endif

#endif
