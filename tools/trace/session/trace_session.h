// The traced work: the plug-in's own component opens the port the plug-in
// would open, with the trace as a tap of its port, and runs packet requests as the
// host's Write P,N does; after each, the trace adds a line of its own.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "parser/ardun_parser.h"
#include "serial/port_tap.h"
#include "tools/trace/session/line_receiver.h"
#include "tools/trace/session/request_record.h"
#include "tools/trace/session/setting_source.h"
#include "tools/trace/trace_options.h"

// Points the module's settings file beside the running program, as the
// plug-in's is beside the DLL, and returns its path for messages.
std::string UseSettingsFileBesideProgram();

// Sets the module's port setting (PortSetting) to the port to trace:
// "\\.\COM<n>" for a port number (which came from numberSource), else what
// the settings file beside the program holds, read as the plug-in reads it;
// for that it also sets the module handle to the program's, so that the file
// is found beside it. Returns the port and where it came from, one short
// line ("\\.\COM9 from the command line"); for the settings file,
// settingsFileNote (when not null) gets the file's full path and whether it
// was read, for the log.
std::string SetPortSettingForTrace(const TraceOptions& options,
                                   SettingSource numberSource = SettingSource::CommandLine,
                                   std::string* settingsFileNote = NULL);

// Takes each request's record: the trace's own line, with the bytes the
// request read and what a view needs to tell them apart.
class RequestReport {
public:
    virtual void RequestEnded(const RequestRecord& request) = 0;

protected:
    ~RequestReport() {}
};

// Drives the plug-in's own component, which opens the port in the module's
// port setting, tapping its port for the session's life: the port's steps go to
// the lines (for the request view only while no request runs: the view shows
// the bytes as the port read them, not the log's two lines per byte).
class TraceSession : private PortTap {
public:
    TraceSession(MVArdunParser& component, LineReceiver* lines, RequestReport* report,
                 const TraceOptions& options);
    ~TraceSession();

    // Opens the port in the port setting; false, with the reason in the lines
    // and in OpenFailure().
    bool Open();
    const std::string& OpenFailure() const { return openFailure; }
    // One packet request; true when a whole new packet arrived.
    bool RequestPacket();
    void Close();

    uint32_t Requests() const { return requests; }
    uint32_t Packets() const { return packets; }

private:
    TraceSession(const TraceSession&);
    TraceSession& operator=(const TraceSession&);

    void PortStep(const char* line) override;
    void BytesRead(const uint8_t* data, uint32_t count) override;

    MVArdunParser& component;
    LineReceiver* lines;
    RequestReport* report;
    TraceOptions options;
    uint32_t requests;
    uint32_t packets;
    std::vector<uint8_t> requestBytes;  // what the running request has read
    bool requestRunning;
    std::string openFailure;
};
