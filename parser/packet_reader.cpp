// The component's packet reader: pulls bytes one at a time from the port,
// finds the frame start, undoes the doubled markers and stores the payload.
#include "parser/ardun_parser.h"
#include "parser/frame_scanner.h"

namespace {

// Seconds on the performance counter. Both queries cannot fail on Windows XP
// and later, so their results are ignored on purpose.
double SecondsNow(const LARGE_INTEGER& frequency)
{
    LARGE_INTEGER counter;
    (void)QueryPerformanceCounter(&counter);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
}

}  // namespace

ResultCode MVArdunParser::PacketReader(uint32_t wanted)
{
    ResultCode result = RESULT_OK;
    FrameScanner scanner = {};
    uint32_t stored = 0;
    uint32_t bytesReceived = 0;
    uint8_t byte = 0;

    LARGE_INTEGER frequency;
    (void)QueryPerformanceFrequency(&frequency);  // see SecondsNow
    const double startTime = SecondsNow(frequency);

    if (!serialPort.IsOpen()) {
        errorFlag = 0;
        return E_FAIL;
    }

    DWORD got = serialPort.ReadByte(&byte);
    bytesReceived = got;
    if (got != 0) {
        for (;;) {
            // A request longer than the buffer ends when the buffer is full:
            // nothing is ever stored past its end.
            if (stored >= wanted || stored >= PACKET_BUFFER_SIZE)
                break;
            // Tested before the byte is examined, never around the blocking
            // read, so a request may outlast the limit by one read time-out.
            if (SecondsNow(frequency) - startTime > timeLimit) {
                result = RESULT_TIMEOUT;
                break;
            }
            if (ScanFrameByte(&scanner, byte, bytesReceived))
                packetBuffer[stored++] = byte;
            // Completion is tested only at the top of the next pass, so one
            // byte after the last payload byte is consumed and dropped.
            got = serialPort.ReadByte(&byte);
            bytesReceived += got;
            if (got == 0)
                break;  // silence or a failed read
        }
        // A request that stored nothing keeps the earlier payload for Read.
        if (stored > 0)
            storedCount = stored;
    }

    if (storedCount != wanted)
        result = RESULT_TIMEOUT;
    return result;
}
