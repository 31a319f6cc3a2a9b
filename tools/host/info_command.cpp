#include "tools/host/info_command.h"

#include <stdio.h>
#include <string.h>

#include "tools/host/component_access.h"
#include "tools/host/configured_port.h"
#include "tools/host/guid_text.h"

// Text from one of the records' fixed arrays, never read past the array even
// when the plug-in left it without a terminator.
template <size_t Capacity>
static std::string FieldText(const char (&field)[Capacity])
{
    return std::string(field, strnlen(field, Capacity));
}

static std::string GuidText(const GUID& guid)
{
    return FormatGuidText(reinterpret_cast<const uint8_t*>(&guid));
}

int RunInfoCommand(PluginLibrary& library, IMVPlugin* plugin)
{
    MVPluginInfo pluginInfo;
    memset(&pluginInfo, 0, sizeof pluginInfo);
    int32_t filled = plugin->GetPluginInfo(&pluginInfo);
    if (filled != 1) {
        fprintf(stderr, "ardun-host: GetPluginInfo (IMVPlugin slot 1) returned %d, not 1\n", filled);
        return 1;
    }
    printf("Plug-in %s\n", library.Path().c_str());
    printf("  name:        %s\n", FieldText(pluginInfo.name).c_str());
    printf("  description: %s\n", FieldText(pluginInfo.description).c_str());
    printf("  version:     %s\n", FieldText(pluginInfo.version).c_str());
    printf("  author:      %s\n", FieldText(pluginInfo.author).c_str());
    printf("  GUID:        {%s}\n", GuidText(pluginInfo.pluginId).c_str());
    printf("  numbers:     %d; %d, %d, %d, %d\n", pluginInfo.infoKind, pluginInfo.trailer1,
           pluginInfo.trailer2, pluginInfo.trailer3, pluginInfo.trailer4);

    std::string error;
    IMVDataAcqIO* component = GetDataAcqComponent(plugin, &error);
    if (component == nullptr) {
        fprintf(stderr, "ardun-host: %s\n", error.c_str());
        return 1;
    }
    MVComponentInfo componentInfo;
    memset(&componentInfo, 0, sizeof componentInfo);
    filled = component->GetComponentInfo(&componentInfo);
    if (filled != 1) {
        fprintf(stderr, "ardun-host: GetComponentInfo (IMVPluginComponent slot 2) returned %d, not 1\n",
                filled);
        return 1;
    }
    printf("Component 0\n");
    printf("  type:        %d (data-acquisition I/O)\n", component->GetComponentType());
    printf("  name:        %s\n", FieldText(componentInfo.name).c_str());
    printf("  description: %s\n", FieldText(componentInfo.description).c_str());
    printf("  version:     %s\n", FieldText(componentInfo.version).c_str());
    printf("  GUID:        {%s}\n", GuidText(componentInfo.componentId).c_str());
    printf("  numbers:     %d, %d, %d\n", componentInfo.trailer1, componentInfo.trailer2,
           componentInfo.trailer3);

    MVHardwareInfo hardwareInfo;
    memset(&hardwareInfo, 0, sizeof hardwareInfo);
    ResultCode result = component->GetHardwareInfo(&hardwareInfo);
    if (result != RESULT_OK) {
        fprintf(stderr, "ardun-host: GetHardwareInfo (IMVDataAcqIO slot 6) failed with %s\n",
                FormatResultCode(result).c_str());
        return 1;
    }
    printf("Hardware\n");
    printf("  name:        %s\n", FieldText(hardwareInfo.name).c_str());
    printf("Configured port: %s\n", DescribeConfiguredPort(library).c_str());
    return 0;
}
