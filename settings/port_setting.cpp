#include "settings/port_setting.h"

#include <string.h>
#include <windows.h>

#include "common/bounded_text.h"
#include "common/module_handle.h"
#include "settings/module_settings_path.h"
#include "settings/settings_path.h"

char PortSetting[PORT_SETTING_SIZE];

void WriteDefaultPortSetting()
{
    // The default always fits, so the result says nothing.
    (void)BoundedPrintf(PortSetting, PORT_SETTING_SIZE, "\\\\.\\COM1");
}

void WritePortSettingForNumber(int32_t number)
{
    // Any 32-bit number fits in the 24 characters, so the result says nothing.
    (void)BoundedPrintf(PortSetting, PORT_SETTING_SIZE, "\\\\.\\COM%i", (int)number);
}

ResultCode LoadPortSetting()
{
    char path[SETTINGS_PATH_CAPACITY];
    ResultCode result = SettingsPathOfModule(GetModuleInstance(), path);
    if (result != RESULT_OK)
        return result;

    HANDLE file = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return WrapPlatformFailure((int32_t)GetLastError());

    // A short or failed read replaces only the bytes it delivered; the file is
    // the user's last choice and is taken as far as it goes.
    DWORD bytesRead = 0;
    (void)ReadFile(file, PortSetting, PORT_SETTING_SIZE, &bytesRead, NULL);
    // A file without a zero byte must not leave every reader of the path
    // running past the buffer.
    if (memchr(PortSetting, '\0', PORT_SETTING_SIZE) == NULL)
        PortSetting[PORT_SETTING_SIZE - 1] = '\0';
    (void)CloseHandle(file);  // read-only handle: nothing to lose
    return RESULT_OK;
}

ResultCode SavePortSetting()
{
    char path[SETTINGS_PATH_CAPACITY];
    ResultCode result = SettingsPathOfModule(GetModuleInstance(), path);
    if (result != RESULT_OK)
        return result;

    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return WrapPlatformFailure((int32_t)GetLastError());

    // The dialog that saves has no way to tell the user, so a failed write
    // after a successful open is not reported.
    DWORD bytesWritten = 0;
    (void)WriteFile(file, PortSetting, PORT_SETTING_SIZE, &bytesWritten, NULL);
    (void)CloseHandle(file);
    return RESULT_OK;
}
