// ardun-trace --watch: finds every running host whose ArdunParser plug-in
// publishes its calls (or the one --pid names), and shows what each host asks
// of the plug-in as it works, with the findings of HostWatch. The console and
// the window run the same watch, each with its own output.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/trace/trace_options.h"
#include "tools/trace/watch/host_watch.h"

struct WatchOutput {
    std::function<void(const std::string& line)> say;
    // The hosts watched now, and the status area's Finding and LatePackets
    // texts of them.
    std::function<void(const std::vector<HostWatchStatus>& hosts, const std::string& finding,
                       const std::string& late)>
        status;
    std::function<bool()> stopRequested;
};

// The exit status: 0 a host was watched, 3 none appeared.
int WatchHosts(const TraceOptions& options, const WatchOutput& output);

// The watch on standard output and in the --out file: 0 a host was watched,
// 1 the --out file could not be made, 3 none appeared.
int RunWatch(const TraceOptions& options);
