#include "testkit/module_setting.h"

#include <string.h>
#include <windows.h>

#include "common/module_handle.h"
#include "settings/port_setting.h"

void UseTestProgramAsModule()
{
    SetModuleInstance(GetModuleHandleA(NULL));
}

std::vector<uint8_t> PortSettingBytes()
{
    return std::vector<uint8_t>(PortSetting, PortSetting + PORT_SETTING_SIZE);
}

void SetPortSettingText(const char* text)
{
    memset(PortSetting, 0, PORT_SETTING_SIZE);
    strncpy(PortSetting, text, PORT_SETTING_SIZE - 1);
}
