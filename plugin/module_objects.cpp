// The module's static objects, defined in this one file because the host
// relies on their order: they come to life at load in the order written here
// and end at unload in the reverse order.
#include "settings/port_setting.h"

namespace {

// The default port path is in place before the first MVCreatePlugin loads the
// stored setting over it.
struct PortSettingDefault {
    PortSettingDefault() { WriteDefaultPortSetting(); }
};
PortSettingDefault portSettingDefault;

}  // namespace
