#include "tools/trace/session/trace_session.h"

#include <windows.h>

#include "common/bounded_text.h"
#include "common/module_handle.h"
#include "settings/port_setting.h"
#include "settings/settings_path.h"
#include "tools/cli/lost_port_pause.h"
#include "tools/cli/result_code_text.h"
#include "tools/cli/windows_error.h"
#include "tools/trace/session/packet_line.h"

std::string UseSettingsFileBesideProgram()
{
    // The settings file is found beside the running program, as the
    // plug-in finds it beside the DLL.
    SetModuleInstance(GetModuleHandleA(NULL));
    char path[PATH_BESIDE_CAPACITY];
    (void)BoundedCopy(path, sizeof path, SETTINGS_FILE_NAME);  // fits: the path's capacity is far larger
    (void)SettingsPathOfRunningModule(path);                   // on failure the bare name is shown
    return path;
}

std::string SetPortSettingForTrace(const TraceOptions& options, SettingSource numberSource,
                                   std::string* settingsFileNote)
{
    if (options.port != PORT_FROM_SETTINGS) {
        WritePortSettingForNumber((int32_t)options.port);
        return std::string(PortSetting) + " " + SettingSourceText(numberSource);
    }
    // The status area keeps the port to one short line; the file's full path
    // and the reason it was not read go to the note, for the log.
    const std::string path = UseSettingsFileBesideProgram();
    const ResultCode result = LoadPortSetting();
    const bool noFile = result == WrapPlatformError(ERROR_FILE_NOT_FOUND);
    if (settingsFileNote != NULL)
        *settingsFileNote = "Settings file " + path +
                            (result == RESULT_OK ? std::string(" read")
                                                 : " could not be read (" + FormatResultCode(result) +
                                                       (noFile ? ", no such file)" : ")"));
    if (result == RESULT_OK)
        return std::string(PortSetting) + " " + SettingSourceText(SettingSource::SettingsFile);
    return std::string(PortSetting) + ", the plug-in's default " +
           (noFile ? "(no ArdunParser.dat beside ardun-trace)"
                   : "(ArdunParser.dat beside ardun-trace could not be read)");
}

namespace {

// Counted as the request's own line tells it: a lost port or a port not open
// is a failure, not a time-out.
RequestOutcome OutcomeOf(ResultCode result, const PacketRequestOutcome& outcome, uint32_t wanted)
{
    if (outcome.portLost || (result != RESULT_OK && result != RESULT_TIMEOUT))
        return RequestOutcome::Failed;
    if (result == RESULT_OK && outcome.stored == wanted)
        return RequestOutcome::Packet;
    return RequestOutcome::TimeOut;
}

// Why the port did not open, with the Windows error, and what to do: the
// trace runs in its window, whose menus choose the port and the rate.
std::string OpenFailureCause(OpenStep step, DWORD error)
{
    const std::string windowsError = DescribeWindowsError(error);
    const char* const otherPort = "choose another port in the Port menu, or \"Find the device\"";
    if (step == OpenStep::LineSettings)
        return "the driver refused the baud rate, " + windowsError +
               ": choose another rate in the Baud rate menu";
    if (step == OpenStep::Timeouts)
        return "the driver refused its time-outs, " + windowsError + ": " + otherPort;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return "no such port, " + windowsError + ": " + otherPort;
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_BUSY)
        return "another program holds it, " + windowsError + ": close that program, or " + otherPort;
    return "the port did not open, " + windowsError + ": " + otherPort;
}

}  // namespace

TraceSession::TraceSession(MVArdunParser& component, LineReceiver* lines, RequestReport* report,
                           const TraceOptions& options)
    : PortTap(true),
      component(component),
      lines(lines),
      report(report),
      options(options),
      requests(0),
      packets(0),
      requestRunning(false)
{
    (void)component.AttachTap(this);  // the trace's component has no other tap to crowd it out
}

TraceSession::~TraceSession()
{
    // Quietly: the port's last step is in the log already when it was closed.
    component.DetachTap(this);
    Close();
}

bool TraceSession::Open()
{
    MVOpenParams params = {OPEN_KIND_SERIAL, options.baudRate};
    if (component.Open(&params) == RESULT_OK)
        return true;
    openFailure = std::string(component.GetLastErrorText(NULL)) + ": " +
                  OpenFailureCause(component.FailedOpenStep(), component.OpenError());
    lines->Line(openFailure);
    return false;
}

bool TraceSession::RequestPacket()
{
    uint8_t request[PACKET_REQUEST_LENGTH] = {PACKET_REQUEST_LETTER, (uint8_t)options.size};
    MVIORequest write = {0, request, sizeof request, NULL};
    requestBytes.clear();
    requestRunning = true;
    const ResultCode result = component.Write(&write);
    requestRunning = false;
    const PacketRequestOutcome& outcome = component.LastRequestOutcome();
    ++requests;
    RequestRecord record = {
        DescribePacketRequest(requests, options.size, result, outcome, component.PacketBytes()),
        options.size,
        outcome.timeLimitPassed,
        {},
        OutcomeOf(result, outcome, options.size)};
    record.bytes.swap(requestBytes);
    report->RequestEnded(record);
    const bool arrived = record.outcome == RequestOutcome::Packet;
    if (arrived)
        ++packets;
    if (outcome.portLost)
        Sleep(LOST_PORT_PAUSE_MS);
    return arrived;
}

void TraceSession::PortStep(const char* line)
{
    // The request view shows the bytes as the port read them, not the log's lines.
    if (options.log || !requestRunning)
        lines->Line(line);
}

void TraceSession::BytesRead(const uint8_t* data, uint32_t count)
{
    if (options.log)
        SendHexDump(lines, data, count);
    requestBytes.insert(requestBytes.end(), data, data + count);
}

void TraceSession::Close()
{
    (void)component.Close();  // always succeeds
}
