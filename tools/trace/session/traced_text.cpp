#include "tools/trace/session/traced_text.h"

#include "settings/port_number.h"
#include "settings/port_setting.h"

TracedText DescribeTraced(const TraceOptions& options, const std::string& portText, SettingSource baudSource,
                          SettingSource sizeSource)
{
    const std::string baudRate = std::to_string(options.baudRate) + " baud";
    const std::string size = std::to_string(options.size) + "-byte packets";
    return {std::string("Ardun Trace - ") + PortSetting + ", " + baudRate + ", " + size, portText,
            baudRate + ", " + SettingSourceText(baudSource), size + ", " + SettingSourceText(sizeSource)};
}

TraceChoice TracedChoice(const TraceOptions& options)
{
    const int32_t configured = GetConfiguredPortNumber();
    const uint32_t port = options.port != PORT_FROM_SETTINGS ? options.port
                          : configured >= 0                  ? (uint32_t)configured
                                                             : PORT_FROM_SETTINGS;
    return {port, options.baudRate, options.size, false, false};
}
