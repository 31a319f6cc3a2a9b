#include "tools/trace/find/find_command.h"

#include <io.h>
#include <windows.h>

#include "settings/port_setting.h"
#include "settings/settings_path.h"
#include "tools/cli/result_code_text.h"
#include "tools/trace/exit_status.h"
#include "tools/trace/find/device_finder.h"
#include "tools/trace/out_file.h"
#include "tools/trace/session/trace_session.h"
#include "tools/trace/utf8_text.h"

namespace {

// The settings file in the folder given with --save-to.
std::string SettingsFileIn(const std::string& folder)
{
    const char last = folder.back();
    return folder + (last == '\\' || last == '/' ? "" : "\\") + SETTINGS_FILE_NAME;
}

// Keeps the port as the configuration dialog does: in the settings file
// beside the program, which the plug-in beside it reads, or in the one of
// the --save-to folder. False, having said why on standard error, when the
// file was not written.
bool SavePort(uint32_t port, const TraceOptions& options, FILE* out)
{
    const bool besideProgram = options.saveTo.empty();
    const std::string path = besideProgram ? UseSettingsFileBesideProgram() : SettingsFileIn(options.saveTo);
    WritePortSettingForNumber((int32_t)port);
    const ResultCode result = path.size() < PATH_BESIDE_CAPACITY ? SavePortSettingAt(path.c_str())
                                                                 : RESULT_INSUFFICIENT_BUFFER;
    if (result != RESULT_OK) {
        fprintf(stderr, "ardun-trace: COM%u could not be saved in %s (%s)\n", (unsigned)port, path.c_str(),
                FormatResultCode(result).c_str());
        return false;
    }
    if (besideProgram)
        fprintf(
            out,
            "Saved COM%u in %s, the copy beside ardun-trace: the host's copy of the plug-in reads the "
            "ArdunParser.dat beside its own ArdunParser.dll. Copy this file into the host's plug-in folder, "
            "or save it there with --save-to FOLDER.\n",
            (unsigned)port, path.c_str());
    else
        fprintf(out, "Saved COM%u in %s: the plug-in in that folder opens it from the host's next start.\n",
                (unsigned)port, path.c_str());
    return true;
}

// A console shows text in its own code page, not in the system's 8-bit one
// that Windows' error texts come in, so a line to a console goes as UTF-16.
// False when out is no console: a file or a pipe takes the bytes as they are.
bool WriteToConsole(FILE* out, const std::string& line)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(out)));
    DWORD mode;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode))
        return false;
    const std::string text = line + "\r\n";
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), NULL, 0);
    std::wstring wide((size_t)(length > 0 ? length : 0), L'\0');
    if (length <= 0 ||
        MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), &wide[0], length) != length)
        return false;   // written as bytes instead
    (void)fflush(out);  // what went before through the C library comes first
    DWORD written;
    return WriteConsoleW(handle, wide.data(), (DWORD)wide.size(), &written, NULL) != 0;
}

// The search and its findings written to out, as UTF-8 when it is the --out
// file (Windows' error texts come in the system's code page); the exit status.
int FindAndReport(const TraceOptions& options, FILE* out, bool utf8)
{
    const std::vector<FoundDevice> devices = FindDevices(
        options.port == PORT_FROM_SETTINGS ? EVERY_COM_PORT : options.port,
        [out, utf8](const std::string& line) {
            if (utf8 || !WriteToConsole(out, line))
                fprintf(out, "%s\n", (utf8 ? AnsiToUtf8(line) : line).c_str());
            (void)fflush(out);  // a user watches the search go; a lost line is only lost
        },
        nullptr, options.baudGiven ? options.baudRate : 0);
    if (devices.empty()) {
        // Frames too long to ask for may have been found and said.
        fprintf(out, "No Ardun device a host can read.\n");
        return TRACE_EXIT_NOTHING;
    }
    if (options.save && !SavePort(devices.front().port, options, out))
        return TRACE_EXIT_FAILED;
    return TRACE_EXIT_OK;
}

}  // namespace

int RunFind(const TraceOptions& options)
{
    OutFile out;
    if (!out.Open(options.out))
        return TRACE_EXIT_FAILED;
    return FindAndReport(options, out.File() != NULL ? out.File() : stdout, out.File() != NULL);
}
