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
#include "tools/trace/find/device_finder.h"

namespace {

std::atomic<DWORD> deviceRate(0);  // 0: the line passes bytes at any rate, as the pair itself does
std::atomic<DWORD> lastRateSet(0);
std::atomic<DWORD> refusedRate(0);  // a rate the driver does not take; 0: it takes every one
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
    if (dcb->BaudRate == refusedRate) {
        SetLastError(ERROR_INVALID_PARAMETER);  // as a driver says of a rate it does not take
        return FALSE;
    }
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

struct FinderCase {
    DWORD deviceRate;
    const char* passedOver;  // the start of the line about the neighbour not taken, if any
    bool anyRate;
    const char* notFound;  // for a device not found, the line that says why; null: found
    DWORD refused;         // a rate the driver refuses; 0: none
    const char* farRate;   // on the pair, the far rate that tells it: "1000000"
    uint32_t onlyRate;     // the rate given with --baud; 0: the list
};

// Searches the pair's host side for each case while a device sends 12-byte
// frames every `period` ms: frames ending in 55, with an FF 00 pair.
void SearchEachCase(DWORD period, const std::vector<FinderCase>& cases)
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

    std::atomic<bool> sending(true);
    std::thread sender([&] {
        for (uint8_t s = 0; sending; ++s) {
            const std::vector<uint8_t> payload = {s, 0xFF, 0x00, 3, 4, 5, 6, 7, 8, 9, (uint8_t)(s * 3), 0x55};
            (void)device.Send(ArdunFrameBytes(payload));  // a lost frame only slows the search
            for (DWORD slept = 0; slept < period && sending; slept += 20)
                Sleep(20);
        }
    });
    const std::string port = "COM" + std::to_string(TestPortNumber(HOST_SIDE)) + ": ";
    for (const FinderCase& c : cases) {
        deviceRate = c.deviceRate;
        refusedRate = c.refused;
        std::vector<std::string> said;
        const std::vector<FoundDevice> found = FindDevices(
            (uint32_t)TestPortNumber(HOST_SIDE), [&](const std::string& line) { said.push_back(line); },
            nullptr, c.onlyRate);
        const std::string lines = ::testing::PrintToString(said);
        if (c.notFound != nullptr) {
            EXPECT_EQ(0u, found.size()) << lines;
            EXPECT_NE(std::string::npos, lines.find(c.notFound)) << lines;
            continue;
        }
        ASSERT_EQ(1u, found.size()) << lines;
        EXPECT_EQ(12u, found[0].payloadLength) << lines;
        EXPECT_EQ(c.anyRate, found[0].anyRate) << lines;
        if (c.deviceRate != 0) {
            EXPECT_EQ(c.deviceRate, found[0].baudRate) << lines;
            EXPECT_NE(std::string::npos,
                      lines.find("  use port COM" + std::to_string(TestPortNumber(HOST_SIDE)) + " at " +
                                 std::to_string(c.deviceRate) + " baud"))
                << lines;
        } else {
            // No rate advised where every rate carries the frames.
            EXPECT_NE(std::string::npos, lines.find(port + "Ardun frames at any baud rate: 12 payload bytes"))
                << lines;
            EXPECT_EQ(std::string::npos, lines.find("--baud")) << lines;
            EXPECT_NE(std::string::npos,
                      lines.find(port + "the same frames at 9600 and at " + c.farRate + " baud: "))
                << lines;
        }
        if (c.passedOver != nullptr) {
            EXPECT_NE(std::string::npos, lines.find(port + c.passedOver)) << lines;
            EXPECT_NE(std::string::npos, lines.find("framing errors in ")) << lines;
        }
        // Never more frames a second than the sender sends.
        EXPECT_LE(found[0].framesPerSecond, 1000.0 / period + 1) << lines;
        EXPECT_GT(found[0].framesPerSecond, 0.0) << lines;
    }
    refusedRate = 0;
    sending = false;
    sender.join();
}

TEST(DeviceFinder, TakesTheRateWithWholeFramesAndNoFramingErrorsOverItsNeighbour)
{
    SearchEachCase(40,
                   {
                       {250000, "230400 baud passed over: ", false, nullptr, 0, nullptr, 0},
                       {1000000, "921600 baud passed over: ", false, nullptr, 0, nullptr, 0},
                       {230400, "250000 baud passed over: frames, but ", false, nullptr, 0, nullptr, 0},
                       // The pair as it is: the same frames at every rate, the
                       // farthest the driver takes heard to tell it.
                       {0, nullptr, true, nullptr, 0, "1000000", 0},
                       {0, nullptr, true, nullptr, 1000000, "921600", 0},
                       // A rate not in the list: no rate of it gives whole frames, --baud does.
                       {74880, nullptr, false,
                        "no rate in the list gives whole frames: the device may use another rate; --baud R "
                        "tries it",
                        0, nullptr, 0},
                       {74880, nullptr, false, nullptr, 0, nullptr, 74880},
                   });
}

TEST(DeviceFinder, WaitsForADeviceThatSendsAFrameASecondAndSaysWhenOneSendsLess)
{
    // About a frame a second: a little faster, so that a loaded machine's
    // late sleeps cannot make it slower than the search is built for.
    SearchEachCase(
        800, {{19200, nullptr, false, nullptr, 0, nullptr, 0}, {0, nullptr, true, nullptr, 0, "1000000", 0}});
    SearchEachCase(2000,
                   {{0, nullptr, false,
                     "too few at any rate to measure a frame: a device that sends less than one frame a "
                     "second?",
                     0, nullptr, 0}});
}

TEST(DeviceFinder, KeepsEachPortsSearchWithinFifteenSecondsByItsPlan)
{
    EXPECT_LE(SearchPlanSeconds(), 15.0);
    // Every rate of the list has its turn in the plan.
    EXPECT_EQ(COMMON_BAUD_RATE_COUNT, SEARCH_PLAN[EACH_RATE].times);
}
