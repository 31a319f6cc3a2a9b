// One host's activity area, opened read-only by the watch: the named shared
// memory its plug-in made, and the host process, to tell when it ends. The
// watch never writes the area, so a watch that stops or is killed changes
// nothing for the host.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <windows.h>

#include <string>

class HostAreaView {
public:
    HostAreaView() : mapping(NULL), view(NULL), size(0), process(NULL) {}
    ~HostAreaView();

    // Maps the area of the process; false when it publishes none (no plug-in,
    // or not created yet), with nothing held.
    bool Open(uint32_t processId);
    const void* Block() const { return view; }
    size_t Size() const { return size; }
    // True once the host process has ended. A process that could not be
    // opened to be waited on is taken for alive while its area is mapped.
    bool HostEnded() const;

private:
    HostAreaView(const HostAreaView&);
    HostAreaView& operator=(const HostAreaView&);

    HANDLE mapping;
    const void* view;
    size_t size;
    HANDLE process;
};
