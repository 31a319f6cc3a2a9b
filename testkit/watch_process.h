// ardun-trace --watch --pid of the running program, started as a process of
// its own as a user starts it: its lines go to an --out file, its standard
// output is discarded. For the tests and benchmarks that are the watched host.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/kernel_handle.h"

class WatchProcess {
public:
    WatchProcess() {}
    ~WatchProcess() { Stop(); }

    // Starts program (ardun-trace.com) watching this process, its lines in
    // outPath, and waits until it says that it watches; false when it did not
    // within 10 s.
    bool Start(const std::string& program, const std::string& outPath);
    // Ends the watch the way a user's kill would: the host notices nothing.
    void Stop();
    // What the watch has written to its --out file so far.
    std::string Text() const;
    // The same, a line each.
    std::vector<std::string> Lines() const;

private:
    WatchProcess(const WatchProcess&);
    WatchProcess& operator=(const WatchProcess&);

    KernelHandle process;
    std::string out;
};
