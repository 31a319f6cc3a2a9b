// ardun-trace's search for a device, in process, over the COM pair. Wine's
// virtual ports pass bytes at any baud rate, so a real line's garbling at the
// wrong rate is injected: every ReadFile of this program garbles what it
// read unless the last SetCommState set the device's rate.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "firmware/frame_bytes.h"
#include "testkit/device_port.h"
#include "testkit/test_ports.h"
#include "tools/cli/import_patch.h"
#include "tools/trace/device_finder.h"

namespace {

const DWORD DEVICE_RATE = 57600;

std::atomic<DWORD> lastRateSet(0);
decltype(&ReadFile) realReadFile;
decltype(&SetCommState) realSetCommState;

BOOL WINAPI RateCheckingReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read,
                                 LPOVERLAPPED overlapped)
{
    static uint8_t garble = 0;
    const BOOL result = realReadFile(file, buffer, size, read, overlapped);
    if (result && read != NULL && lastRateSet != DEVICE_RATE)
        for (DWORD i = 0; i < *read; ++i)
            static_cast<uint8_t*>(buffer)[i] = (uint8_t)(static_cast<uint8_t*>(buffer)[i] * 167 +
                                                         (garble += 59));
    return result;
}

BOOL WINAPI RateRecordingSetCommState(HANDLE file, LPDCB dcb)
{
    lastRateSet = dcb->BaudRate;
    return realSetCommState(file, dcb);
}

}  // namespace

TEST(DeviceFinder, FindsTheRateWhereFramesComeAndTheirSizeWithinFifteenSeconds)
{
    ImportPatch readPatch(GetModuleHandleA(NULL), "KERNEL32.dll", "ReadFile");
    ImportPatch statePatch(GetModuleHandleA(NULL), "KERNEL32.dll", "SetCommState");
    realReadFile = reinterpret_cast<decltype(&ReadFile)>(readPatch.Original());
    realSetCommState = reinterpret_cast<decltype(&SetCommState)>(statePatch.Original());
    ASSERT_TRUE(readPatch.Redirect((void*)RateCheckingReadFile));
    ASSERT_TRUE(statePatch.Redirect((void*)RateRecordingSetCommState));

    // 12-byte frames, 25 a second, for as long as the search listens.
    DevicePort device;
    ASSERT_TRUE(device.IsOpen());
    DrainHostSide();
    std::atomic<bool> sending(true);
    std::thread sender([&] {
        for (uint8_t s = 0; sending; ++s) {
            const std::vector<uint8_t> payload = {s, 0xFF, 0x00, 3, 4, 5, 6, 7, 8, 9, 10, (uint8_t)(s * 3)};
            (void)device.Send(ArdunFrameBytes(payload));  // a lost frame only slows the search
            Sleep(40);
        }
    });
    std::vector<std::string> said;
    const std::vector<FoundDevice> found = FindDevices(
        (uint32_t)TestPortNumber(HOST_SIDE), [&](const std::string& line) { said.push_back(line); }, nullptr);
    sending = false;
    sender.join();

    ASSERT_EQ(1u, found.size()) << ::testing::PrintToString(said);
    EXPECT_EQ(DEVICE_RATE, found[0].baudRate);
    EXPECT_EQ(12u, found[0].payloadLength);
    // The sender pauses 40 ms after each frame, longer on a loaded machine:
    // never more than 25 frames a second.
    EXPECT_GT(found[0].framesPerSecond, 5.0);
    EXPECT_LE(found[0].framesPerSecond, 26.0);
}
