#include "testkit/test_ports.h"

#include <stdlib.h>

int TestPortNumber(TestPort port)
{
    static const struct {
        const char* variable;
        int fallback;
    } ports[] = {
        {"ARDUN_TEST_PORT_A", 9},  {"ARDUN_TEST_PORT_B", 10},   {"ARDUN_TEST_PORT_C", 11},
        {"ARDUN_TEST_PORT_D", 12}, {"ARDUN_TEST_PORT_BAD", 13},
    };
    const char* value = getenv(ports[port].variable);
    return value && *value ? atoi(value) : ports[port].fallback;
}

std::string TestPortPath(TestPort port)
{
    return "\\\\.\\COM" + std::to_string(TestPortNumber(port));
}
