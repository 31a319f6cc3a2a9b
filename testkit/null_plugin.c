/* A DLL that has the plug-in's two exports but whose MVCreatePlugin hands out
 * no plug-in object, so the tests can see how ardun-host reports that. */
#include <stddef.h>

void* MVCreatePlugin(void)
{
    return NULL;
}

void MVReleasePlugin(void)
{
}
