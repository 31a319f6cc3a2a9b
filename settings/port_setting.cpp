#include "settings/port_setting.h"

#include <string.h>
#include <windows.h>

#include "common/bounded_text.h"
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
    const ResultCode result = SettingsPathOfRunningModule(path);
    if (result != RESULT_OK)
        return result;

    HANDLE file = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return WrapPlatformFailure((int32_t)GetLastError());

    // Read aside first: a read that fails part-way must not leave half a path
    // in force. One that succeeds replaces only the bytes it delivered, so a
    // short file is taken as far as it goes.
    char fileBytes[PORT_SETTING_SIZE];
    DWORD bytesRead = 0;
    const bool read = ReadFile(file, fileBytes, PORT_SETTING_SIZE, &bytesRead, NULL) != FALSE;
    const DWORD readError = read ? ERROR_SUCCESS : GetLastError();  // before the close can change it
    (void)CloseHandle(file);                                        // read-only handle: nothing to lose
    if (!read)
        return WrapPlatformFailure((int32_t)readError);
    memcpy(PortSetting, fileBytes, bytesRead < PORT_SETTING_SIZE ? bytesRead : PORT_SETTING_SIZE);
    // A file without a zero byte must not leave every reader of the path
    // running past the buffer.
    if (memchr(PortSetting, '\0', PORT_SETTING_SIZE) == NULL)
        PortSetting[PORT_SETTING_SIZE - 1] = '\0';
    return RESULT_OK;
}

// Writes all of PortSetting into a new file at path; the file is removed
// again when the write fails or stops short.
static ResultCode WriteNewSettingsFile(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return WrapPlatformFailure((int32_t)GetLastError());
    DWORD bytesWritten = 0;
    ResultCode result = RESULT_OK;
    if (!WriteFile(file, PortSetting, PORT_SETTING_SIZE, &bytesWritten, NULL))
        result = WrapPlatformFailure((int32_t)GetLastError());
    else if (bytesWritten != PORT_SETTING_SIZE)
        result = E_FAIL;  // a short write sets no error of its own
    // A close that fails may have lost what was written.
    if (!CloseHandle(file) && result == RESULT_OK)
        result = WrapPlatformFailure((int32_t)GetLastError());
    if (result != RESULT_OK)
        (void)DeleteFileA(path);  // if this fails too, a stray file is all that is left
    return result;
}

ResultCode SavePortSetting()
{
    char path[SETTINGS_PATH_CAPACITY];
    ResultCode result = SettingsPathOfRunningModule(path);
    if (result != RESULT_OK)
        return result;
    char newPath[SETTINGS_PATH_CAPACITY];
    result = SettingsPathOfRunningModule(newPath, SETTINGS_NEW_FILE_NAME);
    if (result != RESULT_OK)
        return result;

    // The settings file is opened for writing first, as it always was, and
    // closed unchanged: a file that another program holds or that may not be
    // written is reported as before and left as it is.
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND)
            return WrapPlatformFailure((int32_t)error);
    } else {
        (void)CloseHandle(file);  // nothing was written through it
    }

    // The new setting goes into a file of its own, which then takes the
    // settings file's place whole: a write that fails or stops short never
    // leaves a cut file behind, only the earlier one or none.
    result = WriteNewSettingsFile(newPath);
    if (result != RESULT_OK)
        return result;
    if (!MoveFileExA(newPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        result = WrapPlatformFailure((int32_t)GetLastError());
        (void)DeleteFileA(newPath);  // as above
    }
    return result;
}
