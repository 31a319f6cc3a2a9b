#include "tools/trace/session/setting_source.h"

const char* SettingSourceText(SettingSource source)
{
    switch (source) {
    case SettingSource::SettingsFile:
        return "from ArdunParser.dat beside ardun-trace";
    case SettingSource::CommandLine:
        return "from the command line";
    case SettingSource::Default:
        return "the default";
    case SettingSource::Menu:
        return "chosen in the menu";
    case SettingSource::Find:
        return "found by Find";
    case SettingSource::AnyRate:
        return "any rate (virtual pair)";
    }
    return "";
}
