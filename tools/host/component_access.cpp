#include "tools/host/component_access.h"

#include <stdio.h>
#include <string.h>

// The component's error text lives in a 300-byte array.
static const size_t ERROR_TEXT_CAPACITY = 300;

IMVDataAcqIO* GetDataAcqComponent(IMVPlugin* plugin, std::string* error)
{
    IMVPluginComponent* component = plugin->GetComponent(0);
    if (component == nullptr) {
        *error = "GetComponent(0) (IMVPlugin slot 3) returned null: the plug-in has no component";
        return nullptr;
    }
    int32_t type = component->GetComponentType();
    if (type != MV_COMPONENT_TYPE_DATA_ACQ) {
        *error = "component 0 has type " + std::to_string(type) + ", not a data-acquisition component (" +
                 std::to_string(MV_COMPONENT_TYPE_DATA_ACQ) + ")";
        return nullptr;
    }
    // Single inheritance: the same pointer serves both interfaces.
    return static_cast<IMVDataAcqIO*>(component);
}

std::string DescribeLastError(IMVPluginComponent* component)
{
    int32_t flag = 0;
    const char* text = component->GetLastErrorText(&flag);
    std::string line = "GetLastErrorText: flag " + std::to_string(flag) + ", text \"";
    if (text != nullptr)
        line.append(text, strnlen(text, ERROR_TEXT_CAPACITY - 1));
    return line + "\"";
}
