// The plug-in's component 0 as a data-acquisition component, the only kind
// ardun-host can drive.
#pragma once

#include <string>

#include "plugin/host_interfaces.h"
#include "tools/cli/result_code_text.h"

// GetComponent(0), checked to be of the data-acquisition type. Null with a
// reason in *error otherwise.
IMVDataAcqIO* GetDataAcqComponent(IMVPlugin* plugin, std::string* error);

// The component's error text and flag from GetLastErrorText, as one line.
std::string DescribeLastError(IMVPluginComponent* component);
