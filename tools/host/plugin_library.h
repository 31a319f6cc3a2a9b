// The plug-in DLL as the host sees it: a library loaded by path, whose two
// exports MVCreatePlugin and MVReleasePlugin are found by name.
#pragma once

#include <windows.h>

#include <string>

#include "plugin/host_interfaces.h"

class PluginLibrary {
public:
    PluginLibrary();
    // Calls MVReleasePlugin when the plug-in was created, then unloads.
    ~PluginLibrary();

    // Loads the DLL and finds both exports. False with a reason in *error.
    bool Load(const std::string& path, std::string* error);
    // Calls MVCreatePlugin. Null with a reason in *error when it gave null.
    IMVPlugin* CreatePlugin(std::string* error);
    const std::string& Path() const { return path; }
    HMODULE Module() const { return module; }

private:
    PluginLibrary(const PluginLibrary&);
    PluginLibrary& operator=(const PluginLibrary&);

    // The exports are plain functions without arguments, default convention.
    typedef IMVPlugin* (*CreatePluginFunction)();
    typedef void (*ReleasePluginFunction)();

    std::string path;
    HMODULE module;
    CreatePluginFunction createPlugin;
    ReleasePluginFunction releasePlugin;
    bool created;
};

// ArdunParser.dll in the folder of the running ardun-host.exe.
std::string DefaultPluginPath();
