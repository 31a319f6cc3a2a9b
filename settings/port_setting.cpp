#include "settings/port_setting.h"

#include <string.h>
#include <windows.h>

#include "common/bounded_text.h"
#include "serial/com_port_path.h"
#include "settings/settings_path.h"

char PortSetting[PORT_SETTING_SIZE];

void WriteDefaultPortSetting()
{
    // The default always fits, so the result says nothing.
    (void)BoundedCopy(PortSetting, PORT_SETTING_SIZE, DEFAULT_PORT_PATH);
}

void WritePortSettingForNumber(int32_t number)
{
    // Any 32-bit number fits in the 24 characters, so the result says nothing.
    (void)BoundedCopy(PortSetting, PORT_SETTING_SIZE, ComPortPathOf(number).text);
}

ResultCode LoadPortSetting()
{
    char path[PATH_BESIDE_CAPACITY];
    const ResultCode result = SettingsPathOfRunningModule(path);
    if (result != RESULT_OK)
        return result;

    // Shared with other readers only: two hosts starting at once must both
    // read the port their user chose, and a save in progress still excludes.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
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

// Opens the settings file for reading and writing as it is, or, when it is
// absent, creates it. Never CREATE_ALWAYS: the file keeps its identity, its
// permissions and its attributes (Windows refuses CREATE_ALWAYS on a hidden
// or system file), and the folder need not allow new files when it exists.
static HANDLE OpenSettingsFileInPlace(const char* path, bool* created)
{
    *created = false;
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_NOT_FOUND)
        return file;
    file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    *created = file != INVALID_HANDLE_VALUE;
    return file;
}

// Puts back the earlier bytes after a write that did not all go, and ends
// the file where it ended before when it was shorter than the setting. A
// failed WriteFile may report fewer bytes than it wrote (Windows reports
// none), so every earlier byte goes back. When they cannot all be put back,
// the file is not cut either. Nothing more can be done when this fails too,
// so the results are not needed beyond that.
static void RestoreSettingsFile(HANDLE file, const char* earlier, DWORD earlierLength)
{
    DWORD restored = 0;
    if (SetFilePointer(file, 0, NULL, FILE_BEGIN) != 0)
        return;
    if (earlierLength > 0 && (!WriteFile(file, earlier, earlierLength, &restored, NULL) || restored != earlierLength))
        return;
    if (earlierLength < PORT_SETTING_SIZE)
        (void)SetEndOfFile(file);  // the pointer is at earlierLength
}

// Writes the 25 bytes over the start of the open file, then ends the file
// after them.
static ResultCode WriteSettingsBytes(HANDLE file)
{
    DWORD written = 0;
    if (!WriteFile(file, PortSetting, PORT_SETTING_SIZE, &written, NULL))
        return WrapPlatformFailure((int32_t)GetLastError());
    if (written != PORT_SETTING_SIZE)
        return E_FAIL;  // a short write sets no error of its own
    if (!SetEndOfFile(file))
        return WrapPlatformFailure((int32_t)GetLastError());
    return RESULT_OK;
}

ResultCode SavePortSetting()
{
    char path[PATH_BESIDE_CAPACITY];
    const ResultCode result = SettingsPathOfRunningModule(path);
    if (result != RESULT_OK)
        return result;
    return SavePortSettingAt(path);
}

ResultCode SavePortSettingAt(const char* path)
{
    bool created = false;
    HANDLE file = OpenSettingsFileInPlace(path, &created);
    if (file == INVALID_HANDLE_VALUE)
        return WrapPlatformFailure((int32_t)GetLastError());

    // The bytes a failed write must put back. The file is written from its
    // start, so those past the 25 stay as they are until the end is set.
    char earlier[PORT_SETTING_SIZE];
    DWORD earlierLength = 0;
    ResultCode result;
    if (!ReadFile(file, earlier, PORT_SETTING_SIZE, &earlierLength, NULL))
        result = WrapPlatformFailure((int32_t)GetLastError());
    else if (SetFilePointer(file, 0, NULL, FILE_BEGIN) != 0)
        result = WrapPlatformFailure((int32_t)GetLastError());
    else if ((result = WriteSettingsBytes(file)) != RESULT_OK)
        RestoreSettingsFile(file, earlier, earlierLength);

    // A close that fails may have lost what was written.
    if (!CloseHandle(file) && result == RESULT_OK)
        result = WrapPlatformFailure((int32_t)GetLastError());
    // A file made by this save goes again with it; if that fails, an empty
    // file is left, which a load takes as no setting at all.
    if (result != RESULT_OK && created)
        (void)DeleteFileA(path);
    return result;
}
