#include "plugin/host_answers.h"

#include <rpc.h>

#include "settings/port_config_dialog.h"

int32_t ShowConfigForHost(const MVConfigRequest* request)
{
    if (request != NULL)
        ShowPortConfigDialog(request->ownerWindow);
    return 0;
}

void WriteGuidFromText(const char* text, GUID* id)
{
    // The texts are fixed valid GUIDs, so the conversion cannot fail: its
    // result is ignored on purpose. It only reads the text it takes as
    // writable.
    (void)UuidFromStringA(reinterpret_cast<RPC_CSTR>(const_cast<char*>(text)), id);
}
