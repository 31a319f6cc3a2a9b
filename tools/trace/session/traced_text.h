// What the trace window shows of the port, baud rate and size it traces: its
// title and the status area's Port, Baud rate and Size, and the choice its
// menu checks. Both read the module's port setting, set for the trace.
#pragma once

#include <string>

#include "tools/trace/session/setting_source.h"
#include "tools/trace/trace_choice.h"
#include "tools/trace/trace_options.h"

struct TracedText {
    std::string title;
    std::string port;
    std::string baudRate;
    std::string size;
};

// portText: the port and where it came from, as SetPortSettingForTrace
// returns it.
TracedText DescribeTraced(const TraceOptions& options, const std::string& portText, SettingSource baudSource,
                          SettingSource sizeSource);

// The port the setting names (PORT_FROM_SETTINGS, which the menu checks
// nowhere, for a setting that names none), with the options' rate and size.
TraceChoice TracedChoice(const TraceOptions& options);
