// What the plug-in object and its component answer the host alike: both show
// the port configuration dialog for ShowConfig, and both hand out an
// identifier they keep as text in the GUID field of their information record.
#pragma once

#include <stdint.h>

#include "plugin/host_interfaces.h"

// ShowConfig of either: the dialog, owned by the request's window. A null
// request shows nothing. The host learns nothing from the dialog's end: 0.
int32_t ShowConfigForHost(const MVConfigRequest* request);

// Writes the GUID that text spells (a fixed, valid one) into id.
void WriteGuidFromText(const char* text, GUID* id);
