// ardun-trace's search for a device, in process, over the COM pair. Wine's
// virtual ports pass bytes at any baud rate, so a real line is put in their
// place at this program's imports: ReadFile hands over what a UART set to the
// rate of the last SetCommState receives from a device sending at another
// (each bit sampled at its middle as the UART's clock sees it), and
// ClearCommError reports the framing errors that receiver met.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <deque>
#include <thread>

#include "firmware/frame_bytes.h"
#include "testkit/device_port.h"
#include "testkit/test_ports.h"
#include "tools/cli/import_patch.h"
#include "tools/trace/device_finder.h"

namespace {

std::atomic<DWORD> deviceRate(0);  // 0: the line passes bytes at any rate, as the pair itself does
std::atomic<DWORD> lastRateSet(0);
bool framingErrorSinceCleared = false;
std::deque<uint8_t> received;  // what the modelled UART received and ReadFile has not handed over yet
decltype(&ReadFile) realReadFile;
decltype(&SetCommState) realSetCommState;
decltype(&ClearCommError) realClearCommError;

// The bytes of one burst, sent back to back at the device's rate, as a UART
// at `receiverRate` receives them; the line is idle (high) around the burst.
void ReceiveBurst(const uint8_t* bytes, DWORD count, double receiverRate)
{
    const double bitsPerReceiverBit = deviceRate / receiverRate;  // in the device's bit times
    const size_t lineBits = (size_t)count * 10;
    auto level = [&](double at) {
        const size_t bit = (size_t)at;
        if (at < 0 || bit >= lineBits)
            return 1;
        const size_t place = bit % 10;
        return place == 0 ? 0 : place == 9 ? 1 : (bytes[bit / 10] >> (place - 1)) & 1;
    };
    double after = -1;  // where the last byte's stop bit was sampled
    for (;;) {
        // A falling edge starts a byte; it may come only after the last one's stop bit.
        size_t edge = after < 0 ? 0 : (size_t)after + 1;
        while (edge < lineBits && !(level(edge) == 0 && level(edge - 1.0) == 1))
            ++edge;
        if (edge >= lineBits)
            return;
        uint8_t byte = 0;
        for (int bit = 0; bit < 8; ++bit)
            byte |= (uint8_t)(level(edge + (bit + 1.5) * bitsPerReceiverBit) << bit);
        const double stopAt = edge + 9.5 * bitsPerReceiverBit;
        if (level(stopAt) == 0)
            framingErrorSinceCleared = true;  // the byte is handed over all the same
        received.push_back(byte);
        after = stopAt;
    }
}

BOOL WINAPI UartReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped)
{
    if (deviceRate == 0 || deviceRate == lastRateSet)
        return realReadFile(file, buffer, size, read, overlapped);
    uint8_t line[256];
    DWORD count = 0;
    const BOOL result = realReadFile(file, line, sizeof line, &count, overlapped);
    if (result)
        ReceiveBurst(line, count, lastRateSet);
    *read = 0;
    for (; *read < size && !received.empty(); ++*read) {
        static_cast<uint8_t*>(buffer)[*read] = received.front();
        received.pop_front();
    }
    return result;
}

BOOL WINAPI RateRecordingSetCommState(HANDLE file, LPDCB dcb)
{
    lastRateSet = dcb->BaudRate;
    received.clear();  // the driver's purge that follows would drop them
    return realSetCommState(file, dcb);
}

BOOL WINAPI FramingClearCommError(HANDLE file, LPDWORD errors, LPCOMSTAT status)
{
    const BOOL result = realClearCommError(file, errors, status);
    if (errors != NULL && framingErrorSinceCleared)
        *errors |= CE_FRAME;
    framingErrorSinceCleared = false;
    return result;
}

}  // namespace

TEST(DeviceFinder, TakesTheRateWithWholeFramesAndNoFramingErrorsOverItsNeighbour)
{
    ImportPatch readPatch(GetModuleHandleA(NULL), "KERNEL32.dll", "ReadFile");
    ImportPatch statePatch(GetModuleHandleA(NULL), "KERNEL32.dll", "SetCommState");
    ImportPatch errorPatch(GetModuleHandleA(NULL), "KERNEL32.dll", "ClearCommError");
    realReadFile = reinterpret_cast<decltype(&ReadFile)>(readPatch.Original());
    realSetCommState = reinterpret_cast<decltype(&SetCommState)>(statePatch.Original());
    realClearCommError = reinterpret_cast<decltype(&ClearCommError)>(errorPatch.Original());
    DevicePort device;
    ASSERT_TRUE(device.IsOpen());
    DrainHostSide();
    ASSERT_TRUE(readPatch.Redirect((void*)UartReadFile));
    ASSERT_TRUE(statePatch.Redirect((void*)RateRecordingSetCommState));
    ASSERT_TRUE(errorPatch.Redirect((void*)FramingClearCommError));

    // 12-byte frames ending in 55, with an FF 00 pair, 25 a second at most.
    std::atomic<bool> sending(true);
    std::thread sender([&] {
        for (uint8_t s = 0; sending; ++s) {
            const std::vector<uint8_t> payload = {s, 0xFF, 0x00, 3, 4, 5, 6, 7, 8, 9, (uint8_t)(s * 3), 0x55};
            (void)device.Send(ArdunFrameBytes(payload));  // a lost frame only slows the search
            Sleep(40);
        }
    });
    static const struct {
        DWORD deviceRate;
        const char* passedOver;  // the start of the line about the neighbour not taken
        bool anyRate;
    } CASES[] = {
        {250000, "230400 baud passed over: ", false},
        {1000000, "921600 baud passed over: ", false},
        {230400, "250000 baud passed over: frames, but framing errors in ", false},
        // The pair as it is: the same frames at every rate.
        {0, nullptr, true},
    };
    for (const auto& c : CASES) {
        deviceRate = c.deviceRate;
        std::vector<std::string> said;
        const std::vector<FoundDevice> found = FindDevices(
            (uint32_t)TestPortNumber(HOST_SIDE), [&](const std::string& line) { said.push_back(line); },
            nullptr);
        const std::string lines = ::testing::PrintToString(said);
        ASSERT_EQ(1u, found.size()) << lines;
        EXPECT_EQ(12u, found[0].payloadLength) << lines;
        EXPECT_EQ(c.anyRate, found[0].anyRate) << lines;
        if (c.deviceRate != 0) {
            EXPECT_EQ(c.deviceRate, found[0].baudRate) << lines;
        }
        if (c.passedOver != nullptr) {
            const std::string passedOver = std::string("COM") + std::to_string(TestPortNumber(HOST_SIDE)) +
                                           ": " + c.passedOver;
            EXPECT_NE(std::string::npos, lines.find(passedOver)) << lines;
            EXPECT_NE(std::string::npos, lines.find("framing errors in ")) << lines;
        }
        // Never more frames a second than the sender sends.
        EXPECT_LE(found[0].framesPerSecond, 26.0) << lines;
    }
    sending = false;
    sender.join();
}

TEST(DeviceFinder, KeepsEachPortsSearchWithinFifteenSecondsByItsPlan)
{
    EXPECT_LE(SearchPlanSeconds(), 15.0);
    // Every rate of the list has its second in the plan.
    EXPECT_EQ(COMMON_BAUD_RATE_COUNT, SEARCH_PLAN[EACH_RATE].times);
}
