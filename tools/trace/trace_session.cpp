#include "tools/trace/trace_session.h"

#include <windows.h>

#include "common/bounded_text.h"
#include "common/module_handle.h"
#include "settings/port_setting.h"
#include "settings/settings_path.h"
#include "tools/cli/lost_port_pause.h"
#include "tools/cli/result_code_text.h"
#include "tools/trace/packet_line.h"

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

}  // namespace

TraceSession::TraceSession(MVArdunParser& component, LineReceiver* lines, RequestReport* report,
                           const TraceOptions& options)
    : component(component),
      lines(lines),
      report(report),
      options(options),
      requests(0),
      packets(0),
      requestRunning(false)
{
    component.AttachObserver(this);
}

TraceSession::~TraceSession()
{
    // Quietly: the port's last step is in the log already when it was closed.
    component.AttachObserver(NULL);
    Close();
}

bool TraceSession::Open()
{
    MVOpenParams params = {OPEN_KIND_SERIAL, options.baudRate};
    if (component.Open(&params) == RESULT_OK)
        return true;
    // The trace runs in its window, whose menus choose both.
    openFailure = std::string(component.GetLastErrorText(NULL)) +
                  ": no such port, another program holds it, or its driver refused the baud rate "
                  "(choose another port in the Port menu, or another rate in the Baud rate menu)";
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
