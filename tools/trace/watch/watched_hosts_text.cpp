#include "tools/trace/watch/watched_hosts_text.h"

#include <string>

namespace {

std::string Number(uint32_t value)
{
    return std::to_string(value);
}

std::string HostText(const HostWatchStatus& host)
{
    return host.program + " (process " + Number(host.processId) + "), plug-in " + host.pluginVersion;
}

std::string PortText(const HostWatchStatus& host)
{
    if (host.portName.empty())
        return host.portOpen ? "open, opened before the watch began" : "not open";
    return host.portName + (host.portOpen ? ", open" : ", closed");
}

std::string BaudRateText(const HostWatchStatus& host)
{
    if (host.baudRate != 0)
        return Number(host.baudRate) + " baud";
    return host.portOpen ? "set before the watch began" : "none yet: the host has not opened a port";
}

std::string SizeText(const HostWatchStatus& host)
{
    return host.asked != 0
               ? "N " + Number(host.asked) + ": the host asks for " + Number(host.asked) + "-byte packets"
               : "none yet: the host has not asked for a packet";
}

// In the words of the watch's SetTimeouts line.
std::string TimeoutsText(const HostWatchStatus& host)
{
    if (!host.timeoutsSeen && !host.portName.empty())
        return "the plug-in's own: none set since the host opened " + host.portName;
    if (!host.timeoutsSeen)
        return host.portOpen ? "none seen: set before the watch began, or the plug-in's own" : "none set yet";
    const uint32_t* t = host.timeouts;
    return "read interval " + Number(t[0]) + " ms, read total " + Number(t[1]) + " ms a byte + " +
           Number(t[2]) + " ms, write total " + Number(t[3]) + " ms a byte + " + Number(t[4]) + " ms";
}

// "ardun-host.exe (process 1234): COM5, 9600 baud, N 16", with what is known.
std::string TitleText(const HostWatchStatus& host)
{
    std::string settings;
    const auto add = [&settings](const std::string& text) {
        settings += (settings.empty() ? "" : ", ") + text;
    };
    if (!host.portName.empty())
        add(host.portName + (host.portOpen ? "" : " closed"));
    if (host.baudRate != 0)
        add(Number(host.baudRate) + " baud");
    if (host.asked != 0)
        add("N " + Number(host.asked));
    const std::string name = host.program + " (process " + Number(host.processId) + ")";
    return settings.empty() ? name : name + ": " + settings;
}

// Each host's text, after its name when there are several, as the watch's lines name them.
void Join(std::string* joined, const HostWatchStatus& host, bool named, const std::string& text)
{
    if (!joined->empty())
        *joined += "; ";
    if (named)
        *joined += host.program + " " + Number(host.processId) + ": ";
    *joined += text;
}

}  // namespace

bool WatchedHostsText::operator==(const WatchedHostsText& other) const
{
    return title == other.title && host == other.host && port == other.port && baudRate == other.baudRate &&
           size == other.size && timeouts == other.timeouts;
}

WatchedHostsText DescribeWatchedHosts(const std::vector<HostWatchStatus>& hosts)
{
    WatchedHostsText text;
    std::string titles;
    for (const HostWatchStatus& host : hosts) {
        titles += (titles.empty() ? "" : "; ") + TitleText(host);
        text.host += (text.host.empty() ? "" : "; ") + HostText(host);
        const bool named = hosts.size() > 1;
        Join(&text.port, host, named, PortText(host));
        Join(&text.baudRate, host, named, BaudRateText(host));
        Join(&text.size, host, named, SizeText(host));
        Join(&text.timeouts, host, named, TimeoutsText(host));
    }
    text.title = "Ardun Trace - watching " + (titles.empty() ? std::string("for a host") : titles);
    return text;
}
