#include "plugin_host.h"

#include <string.h>

int LoadPluginModule(PluginModule* plugin)
{
    return LoadPluginModuleNamed(plugin, "ArdunParser.dll");
}

int LoadPluginModuleNamed(PluginModule* plugin, const char* fileName)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    char* name;
    memset(plugin, 0, sizeof *plugin);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    name = strrchr(path, '\\');
    name = name ? name + 1 : path;
    if ((size_t)(name - path) + strlen(fileName) + 1 > MAX_PATH)
        return 0;
    strcpy(name, fileName);

    plugin->module = LoadLibraryA(path);
    if (plugin->module == NULL)
        return 0;
    plugin->create = (CreatePluginFn)(void*)GetProcAddress(plugin->module, "MVCreatePlugin");
    plugin->release = (ReleasePluginFn)(void*)GetProcAddress(plugin->module, "MVReleasePlugin");
    return plugin->create != NULL && plugin->release != NULL;
}

void UnloadPluginModule(PluginModule* plugin)
{
    if (plugin->module != NULL)
        FreeLibrary(plugin->module);
    memset(plugin, 0, sizeof *plugin);
}

FARPROC ExportByOrdinal(const PluginModule* plugin, WORD ordinal)
{
    return GetProcAddress(plugin->module, MAKEINTRESOURCEA(ordinal));
}
