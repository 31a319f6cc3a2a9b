#include "plugin/ardun_plugin.h"

#include <string.h>

#include "common/bounded_text.h"
#include "common/version.h"
#include "parser/ardun_parser.h"
#include "plugin/host_answers.h"

namespace {

const char PLUGIN_GUID[] = "5A1C7E20-8B3D-4F61-9C2E-0D4B7A93E615";
const char PLUGIN_NAME[] = "Ardun Packet Parser Plug-in";
const char PLUGIN_DESCRIPTION[] = "This plug-in parses Ardun 1 and Ardun 3 packets";
const char PLUGIN_VERSION[] = ARDUN_VERSION_TEXT;
const char PLUGIN_AUTHOR[] = "ArdunParser project, https://ardunparser.example.org";

const uint32_t PROPERTY_STORED = 5000;

}  // namespace

int32_t MVArdunPlugin::GetPluginInfo(MVPluginInfo* info)
{
    if (info == NULL)
        return 0;
    info->infoKind = 3;
    WriteGuidFromText(PLUGIN_GUID, &info->pluginId);
    // Every text fits its array, so no cut is possible to report.
    (void)BoundedCopy(info->name, sizeof info->name, PLUGIN_NAME);
    (void)BoundedCopy(info->description, sizeof info->description, PLUGIN_DESCRIPTION);
    (void)BoundedCopy(info->version, sizeof info->version, PLUGIN_VERSION);
    (void)BoundedCopy(info->author, sizeof info->author, PLUGIN_AUTHOR);
    info->trailer1 = 1;
    info->trailer2 = 1;
    info->trailer3 = 1;
    info->trailer4 = 0;
    return 1;
}

int32_t MVArdunPlugin::ShowConfig(MVConfigRequest* request)
{
    return ShowConfigForHost(request);
}

IMVPluginComponent* MVArdunPlugin::GetComponent(uint32_t index)
{
    return index == 0 ? &TheComponent : NULL;
}

void MVArdunPlugin::PluginReserved(uint32_t value)
{
    (void)value;
}

int32_t MVArdunPlugin::SetProperty(uint32_t id, uint32_t value, uint32_t further)
{
    (void)further;
    if (id == PROPERTY_STORED)
        property5000Value = (int32_t)value;
    return 0;
}
