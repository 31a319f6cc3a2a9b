#include "testkit/watch_process.h"

#include <stdio.h>

namespace {

const DWORD WATCH_START_MS = 10000;

}  // namespace

bool WatchProcess::Start(const std::string& program, const std::string& outPath)
{
    out = outPath;
    (void)DeleteFileA(out.c_str());  // absent the first time
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, NULL, TRUE};
    KernelHandle discard(
        CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0, NULL));
    if (!discard.IsOpen())
        return false;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = discard.Get();
    startup.hStdOutput = discard.Get();
    startup.hStdError = discard.Get();
    std::string commandLine = "\"" + program + "\" --watch --pid " + std::to_string(GetCurrentProcessId()) +
                              " --out \"" + out + "\"";
    PROCESS_INFORMATION started = {};
    const BOOL created = CreateProcessA(program.c_str(), &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL,
                                        &startup, &started);
    discard.Close();  // the child holds its own copy now
    if (!created)
        return false;
    const KernelHandle thread(started.hThread);  // never used
    process.Reset(started.hProcess);
    for (DWORD waited = 0; waited < WATCH_START_MS; waited += 50) {
        if (Text().find("Watching ") != std::string::npos)
            return true;
        if (WaitForSingleObject(process.Get(), 50) == WAIT_OBJECT_0)
            return false;
    }
    return false;
}

void WatchProcess::Stop()
{
    if (!process.IsOpen())
        return;
    (void)TerminateProcess(process.Get(), 0);            // it may have ended by itself
    (void)WaitForSingleObject(process.Get(), INFINITE);  // ended either way
    process.Close();                                     // ours, and no longer needed
}

std::string WatchProcess::Text() const
{
    std::string text;
    FILE* file = fopen(out.c_str(), "rb");
    if (file == NULL)
        return text;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    (void)fclose(file);  // read only: nothing to lose
    return text;
}

std::vector<std::string> WatchProcess::Lines() const
{
    std::vector<std::string> lines;
    const std::string text = Text();
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}
