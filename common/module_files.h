/* The plug-in's files as the module, its tools and its tests all name them:
 * the module itself, and the settings file the module keeps beside it, with
 * that file's size and the port that serves while there is none. Plain C, so
 * that the test kit's C host takes them from here too. */
#ifndef ARDUN_COMMON_MODULE_FILES_H
#define ARDUN_COMMON_MODULE_FILES_H

#define PLUGIN_FILE_NAME "ArdunParser.dll"
#define SETTINGS_FILE_NAME "ArdunParser.dat"
/* The zero-terminated device path of the COM port, zeros after it. */
#define SETTINGS_FILE_SIZE 25
#define DEFAULT_PORT_PATH "\\\\.\\COM1"

#endif
