#include "testkit/test_ports.h"

#include <stdlib.h>

#include "serial/com_port_path.h"

int TestPortNumber(TestPort port)
{
    static const struct {
        const char* variable;
        int fallback;
    } ports[] = {
        // The defaults of testkit/fixture/com-ports.sh, which the build passes in.
        {"ARDUN_TEST_PORT_A", ARDUN_TEST_PORT_A_DEFAULT},
        {"ARDUN_TEST_PORT_B", ARDUN_TEST_PORT_B_DEFAULT},
        {"ARDUN_TEST_PORT_C", ARDUN_TEST_PORT_C_DEFAULT},
        {"ARDUN_TEST_PORT_D", ARDUN_TEST_PORT_D_DEFAULT},
        {"ARDUN_TEST_PORT_BAD", ARDUN_TEST_PORT_BAD_DEFAULT},
        {"ARDUN_TEST_PORT_E", ARDUN_TEST_PORT_E_DEFAULT},
        {"ARDUN_TEST_PORT_F", ARDUN_TEST_PORT_F_DEFAULT},
    };
    const char* value = getenv(ports[port].variable);
    return value && *value ? atoi(value) : ports[port].fallback;
}

std::string TestPortPath(TestPort port)
{
    return ComPortPathOf(TestPortNumber(port)).text;
}
