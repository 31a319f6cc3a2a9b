#include "tools/trace/find_command.h"

#include "settings/port_setting.h"
#include "tools/cli/result_code_text.h"
#include "tools/trace/device_finder.h"
#include "tools/trace/out_file.h"
#include "tools/trace/trace_session.h"
#include "tools/trace/utf8_text.h"

namespace {

const int STATUS_FOUND = 0;
const int STATUS_FAILED = 1;  // the port found not kept, or the --out file not made
const int STATUS_NONE_FOUND = 3;

// Keeps the port as the configuration dialog does, in the settings file
// beside the program; the plug-in beside it opens that port from then on.
// False, having said why on standard error, when the file was not written.
bool SavePort(uint32_t port, FILE* out)
{
    const std::string path = UseSettingsFileBesideProgram();
    WritePortSettingForNumber((int32_t)port);
    const ResultCode result = SavePortSetting();
    if (result != RESULT_OK) {
        fprintf(stderr, "ardun-trace: COM%u could not be saved in %s (%s)\n", (unsigned)port, path.c_str(),
                FormatResultCode(result).c_str());
        return false;
    }
    fprintf(out, "Saved COM%u as the plug-in's port in %s\n", (unsigned)port, path.c_str());
    return true;
}

// The search and its findings written to out, as UTF-8 when it is the --out
// file (Windows' error texts come in the system's code page); the exit status.
int FindAndReport(const TraceOptions& options, FILE* out, bool utf8)
{
    const std::vector<FoundDevice> devices = FindDevices(
        options.port == PORT_FROM_SETTINGS ? EVERY_COM_PORT : options.port,
        [out, utf8](const std::string& line) {
            fprintf(out, "%s\n", (utf8 ? AnsiToUtf8(line) : line).c_str());
            (void)fflush(out);  // a user watches the search go; a lost line is only lost
        },
        nullptr);
    if (devices.empty()) {
        fprintf(out, "No Ardun device found.\n");
        return STATUS_NONE_FOUND;
    }
    if (options.save && !SavePort(devices.front().port, out))
        return STATUS_FAILED;
    return STATUS_FOUND;
}

}  // namespace

int RunFind(const TraceOptions& options)
{
    OutFile out;
    if (!out.Open(options.out))
        return STATUS_FAILED;
    return FindAndReport(options, out.File() != NULL ? out.File() : stdout, out.File() != NULL);
}
