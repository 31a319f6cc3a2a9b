// The plug-in object the host receives from MVCreatePlugin: it describes the
// plug-in, shows the port configuration dialog, hands out the component and
// keeps one numbered property.
#pragma once

#include <stdint.h>

#include "plugin/host_activity_publisher.h"
#include "plugin/host_interfaces.h"

class MVArdunPlugin : public IMVPlugin {
public:
    int32_t GetPluginInfo(MVPluginInfo* info) override;
    int32_t ShowConfig(MVConfigRequest* request) override;
    IMVPluginComponent* GetComponent(uint32_t index) override;
    void PluginReserved(uint32_t value) override;
    int32_t SetProperty(uint32_t id, uint32_t value, uint32_t further) override;

    // The value last given with property id 5000; nothing in the module uses it.
    int32_t Property5000() const { return property5000Value; }

private:
    int32_t property5000Value = 0;
};

// The module's one plug-in object.
extern MVArdunPlugin ThePlugin;

// What the host asks of the component, published for ardun-trace --watch.
extern HostActivityPublisher TheHostActivity;
