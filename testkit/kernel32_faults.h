// Kernel32 functions that misbehave on command as real Windows does with real
// devices and disks: a USB adapter pulled out, a port another program holds, a
// driver that refuses a setting, a disk that refuses a write. Each object
// points one import entry of a loaded module (the plug-in DLL, or a test
// program's own code) at a replacement for as long as it lives; the calls the
// fault leaves alone pass through to the real function. One object per
// function at a time, driven from one thread.
#pragma once

#include <limits.h>
#include <windows.h>

#include <string>

#include "testkit/uart_buffer_model.h"
#include "tools/cli/import_patch.h"

const int FOR_EVER = INT_MAX;

class InjectedFault {
public:
    bool IsInstalled() const { return installed; }

protected:
    InjectedFault(HMODULE module, const char* function) : patch(module, "KERNEL32.dll", function) {}
    void* Original() const { return patch.Original(); }
    void Install(void* replacement) { installed = patch.Redirect(replacement); }
    // A second entry that the same fault needs.
    void InstallAlso(ImportPatch& other, void* replacement)
    {
        installed = installed && other.Redirect(replacement);
    }

private:
    ImportPatch patch;
    bool installed = false;
};

// What ReadFile does on the calls a plan names.
enum class ReadFault {
    Fails,         // fails with the plan's error, after reading bytesBeforeFailure bytes
    ReturnsEmpty,  // TRUE with no byte, at once, as some USB drivers do before their time-out
    IsSlow,        // the real read, after a wait of delayMilliseconds
    // TRUE with no byte, at once, while ClearCommError fails with the plan's
    // error: a driver that reports a pulled-out adapter as silence
    GoneSilent,
    // fails with the plan's error, and so does ClearCommError after it: a
    // device removed under the handle, whatever code its driver chose
    FailsWhileGone,
};

struct ReadFilePlan {
    ReadFault fault;
    int firstCall;  // counted from 1; the calls before it pass through
    int calls;      // how many misbehave from there on (FOR_EVER, or then they pass again)
    DWORD error;
    DWORD bytesBeforeFailure;
    DWORD delayMilliseconds;
};

class FaultyReadFile : public InjectedFault {
public:
    // ClearCommError is redirected too, to count its calls; for GoneSilent
    // and FailsWhileGone it fails after a read the plan spoilt.
    FaultyReadFile(HMODULE module, const ReadFilePlan& plan);
    // ReadFile calls made through the entry since the object was made.
    int Calls() const;
    // ClearCommError calls made through its entry since then.
    int StatusCalls() const;

private:
    ImportPatch clearCommError;
};

// CreateFileA refusing with `error` the opens of one path (compared without
// regard to case), or, for a null path, every open that may create a file.
class FaultyCreateFile : public InjectedFault {
public:
    FaultyCreateFile(HMODULE module, const char* path, DWORD error);
};

// GetCommState, SetCommState or SetCommTimeouts (the one named; each takes a
// handle and a record) failing with `error`.
class FaultyCommState : public InjectedFault {
public:
    FaultyCommState(HMODULE module, const char* function, DWORD error);
};

// A device whose driver reports `reported` as its line state (GetCommState),
// and keeps what SetCommState asks for instead of applying it, so that a test
// sees the state the module writes and the real port is left as it was.
class ReportedCommState {
public:
    ReportedCommState(HMODULE module, const DCB& reported);
    bool IsInstalled() const { return installed; }
    // The DCB of the latest SetCommState; DCBlength 0 while none came.
    DCB Written() const;

private:
    ImportPatch getState;
    ImportPatch setState;
    bool installed;
};

// WriteFile writing at most `bytesWritten` bytes of each request, then
// failing with `error`, or with error 0 reporting the short write as success.
class FaultyWriteFile : public InjectedFault {
public:
    FaultyWriteFile(HMODULE module, DWORD bytesWritten, DWORD error);
};

// The overrun flag a real UART's driver reports and a pty never does:
// ClearCommError passes through, and ORs CE_RXOVER into the errors when the
// line state file that the test kit's uart-relay publishes shows more bytes
// lost than at the call before (kept with a UartBufferModel).
class OverrunningLine : public InjectedFault {
public:
    // `lineStatePath`: the relay's state file, as a Windows path.
    OverrunningLine(HMODULE module, const std::string& lineStatePath);
    // The relay's state as the latest call read it.
    UartLineState LastState() const;
};

// Reads the relay's state file; false when it cannot be read or parsed.
bool ReadUartLineState(const std::string& path, UartLineState* state);
