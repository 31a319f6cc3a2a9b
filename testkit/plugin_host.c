#include "plugin_host.h"

#include <string.h>

#include "common/module_files.h"
#include "common/path_beside.h"

int LoadPluginModule(PluginModule* plugin)
{
    return LoadPluginModuleNamed(plugin, PLUGIN_FILE_NAME);
}

int LoadPluginModuleNamed(PluginModule* plugin, const char* fileName)
{
    char path[PATH_BESIDE_CAPACITY];
    memset(plugin, 0, sizeof *plugin);
    if (PathBesideModule(NULL, fileName, path) != 0)
        return 0;

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
