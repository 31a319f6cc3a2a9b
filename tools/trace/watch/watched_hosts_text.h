// What the trace window shows of the hosts it watches, in place of the
// trace's own settings: its title and the status area's Host, Port, Baud
// rate, Size and Time-outs, each naming the host before its value once more
// than one is watched. Pure logic, no windows.h.
#pragma once

#include <string>
#include <vector>

#include "tools/trace/watch/host_watch.h"

struct WatchedHostsText {
    std::string title;
    std::string host;
    std::string port;
    std::string baudRate;
    std::string size;
    std::string timeouts;

    bool operator==(const WatchedHostsText& other) const;
    bool operator!=(const WatchedHostsText& other) const { return !(*this == other); }
};

// With no host yet, the title says the watch waits and the fields are empty.
WatchedHostsText DescribeWatchedHosts(const std::vector<HostWatchStatus>& hosts);
