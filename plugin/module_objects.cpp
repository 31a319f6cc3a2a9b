// The module's static objects, defined in this one file because the host
// relies on their order: they come to life at load in the order written here
// and end at unload in the reverse order, so the component (whose end closes
// the serial port) ends before the plug-in object.
#include "parser/ardun_parser.h"
#include "plugin/ardun_plugin.h"
#include "settings/port_setting.h"

MVArdunPlugin ThePlugin;

// The data-acquisition component: constructed closed, with its time limit set,
// before anything else of the module can reach it.
MVArdunParser TheComponent;

namespace {

// The default port path is in place before the first MVCreatePlugin loads the
// stored setting over it.
struct PortSettingDefault {
    PortSettingDefault() { WriteDefaultPortSetting(); }
};
PortSettingDefault portSettingDefault;

}  // namespace
