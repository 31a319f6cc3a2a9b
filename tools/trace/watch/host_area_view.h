// One activity area of a host, opened by the watch: the named shared memory
// a copy of its plug-in made, and the host process, to tell when it ends. The
// watch reads the area and writes one word of it, the watcher's sign of life
// (HostActivityHeader::watcherMilliseconds), through a view of the header
// alone; a watch that stops or is killed only lets that word go stale.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <windows.h>

#include <string>

#include "common/kernel_handle.h"
#include "common/mapped_view.h"

class HostAreaView {
public:
    HostAreaView() : size(0) {}

    // Maps the area of that copy of the plug-in in the process; false when
    // there is none (no plug-in, no such copy, or not created yet), with
    // nothing held. Only the committed bytes at the area's start are read.
    bool Open(uint32_t processId, uint32_t copy);
    const void* Block() const { return view.Get(); }
    // The bytes that may be read: those committed from the block's start.
    size_t Size() const { return size; }
    // Writes the watcher's word; nothing where the area could not be opened
    // for writing or its header is not committed memory.
    void SayWatching(uint32_t stamp);
    // True once the host process has ended. A process that could not be
    // opened to be waited on is taken for alive while its area is mapped.
    bool HostEnded() const;

private:
    HostAreaView(const HostAreaView&);
    HostAreaView& operator=(const HostAreaView&);

    KernelHandle mapping;
    MappedView view;    // read-only
    MappedView header;  // the writable view of the header, or none
    size_t size;
    KernelHandle process;
};
