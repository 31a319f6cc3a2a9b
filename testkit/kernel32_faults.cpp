#include "testkit/kernel32_faults.h"

#include <string.h>

#include "common/kernel_handle.h"

namespace {

// What each replacement does, set before its entry is redirected. The real
// functions are the entries' earlier values: a replacement in a test
// program's own table would otherwise call itself.
struct {
    ReadFilePlan plan;
    decltype(&ReadFile) real;
    int calls;
    bool lastGone;  // the latest call was one the plan spoilt as a device that is gone
    decltype(&ClearCommError) realClear;
    int statusCalls;
} readFile;

struct {
    std::string path;
    DWORD error;
    decltype(&CreateFileA) real;
} createFile;

DWORD commStateError;

struct {
    DCB reported;
    DCB written;
} commState;

struct {
    DWORD bytesWritten;
    DWORD error;
    decltype(&WriteFile) real;
} writeFile;

BOOL WINAPI ReadFileOnPlan(HANDLE file, LPVOID buffer, DWORD wanted, LPDWORD got, LPOVERLAPPED overlapped)
{
    const ReadFilePlan& plan = readFile.plan;
    const int call = ++readFile.calls;
    readFile.lastGone = false;
    if (call < plan.firstCall || call - plan.firstCall >= plan.calls)
        return readFile.real(file, buffer, wanted, got, overlapped);
    switch (plan.fault) {
    case ReadFault::IsSlow:
        Sleep(plan.delayMilliseconds);
        return readFile.real(file, buffer, wanted, got, overlapped);
    case ReadFault::GoneSilent:
        readFile.lastGone = true;
        [[fallthrough]];
    case ReadFault::ReturnsEmpty:
        if (got != nullptr)
            *got = 0;
        return TRUE;
    case ReadFault::FailsWhileGone:
        readFile.lastGone = true;
        break;
    case ReadFault::Fails:
        break;
    }
    // A transfer cut short leaves what came before the failure in the buffer.
    DWORD partial = 0;
    if (plan.bytesBeforeFailure > 0)
        (void)readFile.real(file, buffer, wanted < plan.bytesBeforeFailure ? wanted : plan.bytesBeforeFailure,
                            &partial, overlapped);
    if (got != nullptr)
        *got = partial;
    SetLastError(plan.error);
    return FALSE;
}

BOOL WINAPI ClearCommErrorAfterPlan(HANDLE file, LPDWORD errors, LPCOMSTAT status)
{
    ++readFile.statusCalls;
    if (!readFile.lastGone)
        return readFile.realClear(file, errors, status);
    SetLastError(readFile.plan.error);
    return FALSE;
}

HANDLE WINAPI CreateFileRefusing(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                 DWORD disposition, DWORD flags, HANDLE templateFile)
{
    const bool refused = createFile.path.empty()
                             ? disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING
                             : path != nullptr && _stricmp(path, createFile.path.c_str()) == 0;
    if (!refused)
        return createFile.real(path, access, share, security, disposition, flags, templateFile);
    SetLastError(createFile.error);
    return INVALID_HANDLE_VALUE;
}

// The record (a DCB or a COMMTIMEOUTS) is left alone.
BOOL WINAPI CommStateRefused(HANDLE, void*)
{
    SetLastError(commStateError);
    return FALSE;
}

BOOL WINAPI CommStateReported(HANDLE, LPDCB dcb)
{
    *dcb = commState.reported;
    return TRUE;
}

BOOL WINAPI CommStateKept(HANDLE, LPDCB dcb)
{
    commState.written = *dcb;
    return TRUE;
}

BOOL WINAPI WriteFileCutShort(HANDLE file, LPCVOID buffer, DWORD length, LPDWORD written,
                              LPOVERLAPPED overlapped)
{
    DWORD done = 0;
    const BOOL result = writeFile.real(
        file, buffer, length < writeFile.bytesWritten ? length : writeFile.bytesWritten, &done, overlapped);
    if (written != nullptr)
        *written = done;
    if (!result || writeFile.error == 0)
        return result;
    SetLastError(writeFile.error);
    return FALSE;
}

struct {
    std::string path;
    UartBufferModel model;
    UartLineState last;
    decltype(&ClearCommError) real;
} overrunningLine;

BOOL WINAPI ClearCommErrorOverrunning(HANDLE file, LPDWORD errors, LPCOMSTAT status)
{
    DWORD real = 0;
    const BOOL result = overrunningLine.real(file, &real, status);
    if (!result)
        return result;  // its last error stays the real call's
    // Read before the flags are taken: a loss the file shows is this call's to report.
    if (ReadUartLineState(overrunningLine.path, &overrunningLine.last))
        overrunningLine.model.NoteLostTotal(overrunningLine.last.lost);
    if (errors != nullptr)
        *errors = real | overrunningLine.model.TakeErrors();
    return result;
}

}  // namespace

bool ReadUartLineState(const std::string& path, UartLineState* state)
{
    // Read-only: a close that fails loses nothing.
    const KernelHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                        OPEN_EXISTING, 0, NULL));
    if (!file.IsOpen())
        return false;
    char text[128] = {};
    DWORD got = 0;
    const bool read = ReadFile(file.Get(), text, sizeof text - 1, &got, NULL) != FALSE;
    return read && ParseUartLineState(text, state);
}

OverrunningLine::OverrunningLine(HMODULE module, const std::string& lineStatePath)
    : InjectedFault(module, "ClearCommError")
{
    overrunningLine.path = lineStatePath;
    overrunningLine.model = UartBufferModel();
    overrunningLine.last = UartLineState();
    overrunningLine.real = (decltype(&ClearCommError))Original();
    // Losses before the fault was made are not this port's to report.
    if (ReadUartLineState(lineStatePath, &overrunningLine.last))
        overrunningLine.model.NoteLostTotal(overrunningLine.last.lost);
    (void)overrunningLine.model.TakeErrors();
    Install((void*)&ClearCommErrorOverrunning);
}

UartLineState OverrunningLine::LastState() const
{
    return overrunningLine.last;
}

FaultyReadFile::FaultyReadFile(HMODULE module, const ReadFilePlan& plan)
    : InjectedFault(module, "ReadFile"), clearCommError(module, "KERNEL32.dll", "ClearCommError")
{
    readFile.plan = plan;
    readFile.real = (decltype(&ReadFile))Original();
    readFile.calls = 0;
    readFile.lastGone = false;
    readFile.realClear = (decltype(&ClearCommError))clearCommError.Original();
    readFile.statusCalls = 0;
    Install((void*)&ReadFileOnPlan);
    InstallAlso(clearCommError, (void*)&ClearCommErrorAfterPlan);
}

int FaultyReadFile::Calls() const
{
    return readFile.calls;
}

int FaultyReadFile::StatusCalls() const
{
    return readFile.statusCalls;
}

FaultyCreateFile::FaultyCreateFile(HMODULE module, const char* path, DWORD error)
    : InjectedFault(module, "CreateFileA")
{
    createFile.path = path != nullptr ? path : "";
    createFile.error = error;
    createFile.real = (decltype(&CreateFileA))Original();
    Install((void*)&CreateFileRefusing);
}

FaultyCommState::FaultyCommState(HMODULE module, const char* function, DWORD error)
    : InjectedFault(module, function)
{
    commStateError = error;
    Install((void*)&CommStateRefused);
}

ReportedCommState::ReportedCommState(HMODULE module, const DCB& reported)
    : getState(module, "KERNEL32.dll", "GetCommState"),
      setState(module, "KERNEL32.dll", "SetCommState"),
      installed(false)
{
    commState.reported = reported;
    memset(&commState.written, 0, sizeof commState.written);
    installed = getState.Redirect((void*)&CommStateReported) && setState.Redirect((void*)&CommStateKept);
}

DCB ReportedCommState::Written() const
{
    return commState.written;
}

FaultyWriteFile::FaultyWriteFile(HMODULE module, DWORD bytesWritten, DWORD error)
    : InjectedFault(module, "WriteFile")
{
    writeFile.bytesWritten = bytesWritten;
    writeFile.error = error;
    writeFile.real = (decltype(&WriteFile))Original();
    Install((void*)&WriteFileCutShort);
}
