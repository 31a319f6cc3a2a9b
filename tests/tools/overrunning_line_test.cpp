// The pair whose line cannot slow the device (testkit/uart_relay.cpp): a host
// that reads nothing while ardun-sim sends faster than the host's buffer holds.
// The host side's queue stops at the buffer, every byte beyond is counted as
// lost, and ClearCommError, with the overrun flag injected, reports CE_RXOVER
// once.
#include <gtest/gtest.h>
#include <stdio.h>
#include <windows.h>

#include <string>

#include "common/kernel_handle.h"
#include "serial/com_handle.h"
#include "testkit/build_folder.h"
#include "testkit/device_port.h"
#include "testkit/kernel32_faults.h"
#include "testkit/test_ports.h"

namespace {

// Runs ardun-sim with `arguments` to its end; its standard output, or "" when
// it could not run.
std::string RunSim(const std::string& arguments)
{
    char folder[MAX_PATH], path[MAX_PATH];
    if (GetTempPathA(sizeof folder, folder) == 0 || GetTempFileNameA(folder, "sim", 0, path) == 0)
        return "";
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    KernelHandle output(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output.IsOpen())
        return "";
    std::string command = "\"" + BuiltFilePath("ardun-sim.exe") + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output.Get();
    startup.hStdError = output.Get();
    PROCESS_INFORMATION child = {};
    const bool started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &child);
    output.Close();  // the child holds its own copy
    if (started) {
        const KernelHandle process(child.hProcess), thread(child.hThread);
        if (WaitForSingleObject(process.Get(), 60000) == WAIT_TIMEOUT)
            (void)TerminateProcess(process.Get(), 99);  // its output then says how far it came
    }
    std::string text;
    FILE* file = fopen(path, "rb");
    if (file != nullptr) {
        char chunk[512];
        size_t got;
        while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
            text.append(chunk, got);
        fclose(file);
    }
    (void)DeleteFileA(path);  // a temporary file: left behind at worst
    return text;
}

TEST(OverrunningLine, ADeviceThatCannotBeSlowedLosesWhatTheHostsBufferCannotHold)
{
    DrainHostSide(OVERRUN_HOST_SIDE);
    ComHandle host;
    ASSERT_EQ((DWORD)ERROR_SUCCESS, host.Open(TestPortPath(OVERRUN_HOST_SIDE).c_str()));
    const std::string statePath = BuiltFilePath(
        ("com\\line" + std::to_string(TestPortNumber(OVERRUN_HOST_SIDE))).c_str());
    OverrunningLine overrun(GetModuleHandleA(nullptr), statePath);
    ASSERT_TRUE(overrun.IsInstalled());
    const UartLineState before = overrun.LastState();
    ASSERT_GT(before.capacity, 0u) << "the relay publishes its line at " << statePath;

    // 400 frames of about 22 bytes in 2 s: twice what the buffer holds.
    const std::string output = RunSim("--port " + std::to_string(TestPortNumber(OVERRUN_DEVICE_SIDE)) +
                                      " --size 16 --rate 200 --count 400");
    unsigned frames = 0;
    unsigned long long sentBytes = 0;
    const size_t summary = output.find("ardun-sim: sent ");
    ASSERT_NE(std::string::npos, summary) << output;
    ASSERT_EQ(2,
              sscanf(output.c_str() + summary, "ardun-sim: sent %u frames (%llu bytes)", &frames, &sentBytes))
        << output;
    EXPECT_EQ(400u, frames) << "the line never slows the device nor refuses it: " << output;
    EXPECT_EQ(std::string::npos, output.find("lost")) << output;
    ASSERT_GT(sentBytes, 2 * before.capacity);

    // Every byte the device sent is queued or lost, once the relay has passed the last ones on.
    DWORD errors = 0, reported = 0;
    COMSTAT status = {};
    UartLineState after;
    for (int wait = 0; wait < 100; ++wait) {
        ASSERT_TRUE(ReadUartLineState(statePath, &after));
        ASSERT_TRUE(ClearCommError(host.Get(), &errors, &status));
        reported |= errors;
        if (status.cbInQue + (after.lost - before.lost) >= sentBytes)
            break;
        Sleep(20);
    }
    EXPECT_EQ(after.capacity, status.cbInQue) << "the queue stops at the host's buffer";
    EXPECT_EQ(sentBytes, status.cbInQue + (after.lost - before.lost));
    EXPECT_TRUE(after.overrun) << "the latest bytes found the buffer full";
    EXPECT_EQ((DWORD)CE_RXOVER, reported & CE_RXOVER);

    // Once reported, the overrun is not reported again while nothing more is lost.
    ASSERT_TRUE(ClearCommError(host.Get(), &errors, &status));
    EXPECT_EQ(0u, errors & CE_RXOVER);
    host.Close();
    DrainHostSide(OVERRUN_HOST_SIDE);
}

}  // namespace
