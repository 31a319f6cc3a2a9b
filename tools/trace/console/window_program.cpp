#include "tools/trace/console/window_program.h"

#include <stdio.h>
#include <windows.h>

#include <vector>

#include "common/kernel_handle.h"
#include "tools/cli/windows_error.h"
#include "tools/trace/exit_status.h"

namespace {

const int STATUS_STARTED = 0;

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

// ardun-trace.exe beside this program, whatever name this one was started by.
std::wstring WindowProgramPath()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(NULL, path.data(), (DWORD)path.size());
        if (length == 0)
            return L"";
        if (length < path.size()) {
            std::wstring own(path.data(), length);
            const size_t folderEnd = own.find_last_of(L"\\/");
            return own.substr(0, folderEnd == std::wstring::npos ? 0 : folderEnd + 1) + L"ardun-trace.exe";
        }
        path.resize(path.size() * 2);  // a long path: the name was cut short
    }
}

// The command line's arguments, as typed, without the program's name (quoted
// or not) and the blanks after it.
std::wstring ArgumentsOf(const std::wstring& commandLine)
{
    // The program's name is taken as Windows' own start-up code takes it: up
    // to the closing quote when it begins with one, else up to the first blank.
    size_t at = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        at = commandLine.find(L'"', 1);
        at = at == std::wstring::npos ? commandLine.size() : at + 1;
    } else {
        while (at < commandLine.size() && !IsBlank(commandLine[at]))
            ++at;
    }
    while (at < commandLine.size() && IsBlank(commandLine[at]))
        ++at;
    return commandLine.substr(at);
}

}  // namespace

int StartWindowProgram()
{
    const std::wstring program = WindowProgramPath();
    if (program.empty()) {
        fprintf(stderr, "ardun-trace: its own folder is unknown: %s\n",
                DescribeWindowsError(GetLastError()).c_str());
        return TRACE_EXIT_FAILED;
    }
    // The arguments pass on as typed, so that the window program reads
    // exactly the words this one read.
    std::wstring commandLine = L"\"" + program + L"\" " + ArgumentsOf(GetCommandLineW());
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    if (!CreateProcessW(program.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &started)) {
        const DWORD code = GetLastError();  // before any string work can change it
        fprintf(stderr, "ardun-trace: ardun-trace.exe, beside ardun-trace.com, could not be started: %s\n",
                DescribeWindowsError(code).c_str());
        return TRACE_EXIT_FAILED;
    }
    // Our own handles, closed here: the window program runs on without them.
    const KernelHandle thread(started.hThread), process(started.hProcess);
    return STATUS_STARTED;
}
