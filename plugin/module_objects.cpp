// The module's static objects, defined in this one file because the host
// relies on their order: they come to life at load in the order written here
// and end at unload in the reverse order, so the component (whose end closes
// the serial port) ends before the plug-in object, and before the host
// activity area it may report to.
#include "parser/ardun_parser.h"
#include "plugin/ardun_plugin.h"
#include "plugin/host_activity_publisher.h"
#include "settings/port_setting.h"

MVArdunPlugin ThePlugin;

// Made when the host first creates the plug-in; its area goes at unload.
HostActivityPublisher TheHostActivity;

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
