// ardun-host: the least host that drives the ArdunParser plug-in for real.
// It loads the plug-in DLL, finds its two exports by name and then calls the
// plug-in only through the interfaces' tables, as the Movra host does.
#include <stdio.h>

#include <string>

#include "tools/cli/command_line_start.h"
#include "tools/host/config_command.h"
#include "tools/host/host_options.h"
#include "tools/host/info_command.h"
#include "tools/host/plugin_library.h"
#include "tools/host/stream_command.h"

int main(int argc, char** argv)
{
    HostOptions options;
    std::string error;
    const bool parsed = ParseHostOptions(argc, argv, &options, &error);
    int status = 0;
    if (RunEndsAtCommandLine("ardun-host", parsed, error, options.showHelp, HOST_USAGE, &status))
        return status;

    PluginLibrary library;
    if (!library.Load(options.dllPath.empty() ? DefaultPluginPath() : options.dllPath, &error)) {
        fprintf(stderr, "ardun-host: %s\n", error.c_str());
        return 1;
    }
    IMVPlugin* plugin = library.CreatePlugin(&error);
    if (plugin == nullptr) {
        fprintf(stderr, "ardun-host: %s\n", error.c_str());
        return 1;
    }
    switch (options.command) {
    case HostCommand::Info:
        return RunInfoCommand(library, plugin);
    case HostCommand::Config:
        return RunConfigCommand(library, plugin);
    case HostCommand::Stream:
        return RunStreamCommand(library, plugin, options);
    case HostCommand::None:
        break;
    }
    return 2;  // the parser never lets a missing command through
}
