// ardun-sim: plays an Ardun device. Sends framed packets with a checkable
// payload on a COM port at a steady rate, with optional line noise between
// frames, until the count is reached or the user presses Ctrl+C. Like a real
// device it goes on when nobody reads: what the port will not take is lost.
#include <stdio.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/performance_clock.h"
#include "firmware/frame_bytes.h"
#include "tools/cli/command_line_start.h"
#include "tools/cli/stop_request.h"
#include "tools/sim/line_noise.h"
#include "tools/sim/send_tally.h"
#include "tools/sim/sim_options.h"
#include "tools/sim/sim_payload.h"
#include "tools/sim/sim_port.h"

// Sleeps until `when` in short steps, so that Ctrl+C is noticed promptly.
static void WaitUntil(const PerformanceClock& clock, double when)
{
    for (;;) {
        double remaining = when - clock.Seconds();
        if (remaining <= 0 || StopRequested())
            return;
        DWORD milliseconds = static_cast<DWORD>(remaining * 1000.0);
        Sleep(milliseconds > 100 ? 100 : milliseconds);
    }
}

int main(int argc, char** argv)
{
    SimOptions options;
    std::string error;
    const bool parsed = ParseSimOptions(argc, argv, &options, &error);
    int status = 0;
    if (RunEndsAtCommandLine("ardun-sim", parsed, error, options.showHelp, SIM_USAGE, &status))
        return status;

    SimPort port;
    if (!port.Open(options.port, options.baudRate, &error)) {
        fprintf(stderr, "ardun-sim: %s\n", error.c_str());
        return 1;
    }
    if (!CatchStopRequests())
        fprintf(stderr, "ardun-sim: Ctrl+C will end the program without a summary\n");

    printf("ardun-sim: sending %u-byte payloads on COM%u at %u baud, %u frames/s, %u noise bytes "
           "before each frame, %s\n",
           options.size, options.port, options.baudRate, options.rate, options.noise,
           options.count == 0 ? "until Ctrl+C" : (std::to_string(options.count) + " frames").c_str());
    fflush(stdout);

    LineNoise noise(GetTickCount());
    const double period = 1.0 / options.rate;
    const PerformanceClock clock;
    const double start = clock.Seconds();
    double scheduleStart = start;  // frame s is due at scheduleStart + s periods
    uint32_t sent = 0;
    uint32_t framesNotTaken = 0;
    SendTally tally;
    while ((options.count == 0 || sent < options.count) && !StopRequested()) {
        WaitUntil(clock, scheduleStart + sent * period);
        if (StopRequested())
            break;
        // Noise and frame go out in one write: the frame is never split by a gap.
        std::vector<uint8_t> bytes = noise.Next(options.noise);
        std::vector<uint8_t> frame = ArdunFrameBytes(MakeSimPayload(options.first + sent, options.size));
        bytes.insert(bytes.end(), frame.begin(), frame.end());
        size_t notTaken = 0, dropped = 0;
        if (!port.Send(bytes, &notTaken, &dropped, &error)) {
            fprintf(stderr, "ardun-sim: frame %u: %s\n", sent, error.c_str());
            status = 1;
            break;
        }
        tally.Frame(bytes.size(), notTaken, dropped);
        if (notTaken != 0) {
            if (framesNotTaken == 0)
                fprintf(stderr,
                        "ardun-sim: frame %u: the port would not take it: does anything read the other "
                        "end? Frames go on as a device sends them; what the port does not take is "
                        "dropped, and counted at the end\n",
                        sent);
            ++framesNotTaken;
            // The time the write waited is not made up with a burst later.
            scheduleStart = clock.Seconds() - (sent + 1) * period;
        }
        ++sent;  // numbers the frames and keeps the schedule, taken or not
    }
    printf("ardun-sim: sent %u frames (%llu bytes) in %.2f s", tally.FramesSent(),
           (unsigned long long)tally.BytesSent(), clock.Seconds() - start);
    if (framesNotTaken > 0)
        printf("; %u times the port would not take a frame, and what it held was dropped", framesNotTaken);
    printf("\n");
    if (tally.BytesLost() > 0)
        printf("ardun-sim: lost %llu bytes (%u frames) the port could not take\n",
               (unsigned long long)tally.BytesLost(), tally.FramesLost());
    return status;
}
