// The choice between near baud rates, over what a UART model hears of a
// device that sends library frames: at the device's rate and at its
// neighbour 8 % off, with a driver that reports no framing errors at all,
// and with listens that begin inside a frame.
#include <gtest/gtest.h>

#include <random>

#include "firmware/frame_bytes.h"
#include "testkit/uart_rate_model.h"
#include "tools/meter/frame_length_meter.h"
#include "tools/trace/find/near_rate_choice.h"

namespace {

const size_t READ_BYTES = 64;

// A listen at readerRate, in reads of READ_BYTES: its frames, and the reads
// with a framing error where the driver reports them.
RateHeard Hear(const UartLine& line, double deviceRate, double readerRate, double fromBit,
               bool reportsFraming)
{
    const std::vector<ReceivedByte> received = line.Receive(deviceRate, readerRate, fromBit);
    FrameLengthMeter meter;
    RateHeard heard = {false, 0, 0, 0};
    for (size_t at = 0; at < received.size(); at += READ_BYTES) {
        std::vector<uint8_t> read;
        bool flagged = false;
        for (size_t i = at; i < received.size() && i < at + READ_BYTES; ++i) {
            read.push_back(received[i].value);
            flagged = flagged || received[i].framingError;
        }
        meter.Add(read.data(), read.size());
        ++heard.reads;
        heard.framingReads += reportsFraming && flagged ? 1 : 0;
    }
    heard.wholeFrames = meter.Verdict().finding == FrameLengthFinding::Found;
    heard.libraryFrames = meter.LibraryFrames();
    return heard;
}

}  // namespace

TEST(NearRateChoice, TakesTheDevicesRateByItsFramesWhateverTheDriverReports)
{
    const double NEAR_RATES[][2] = {{230400, 250000}, {921600, 1000000}};
    const struct {
        bool reportsFraming;
        bool midFrame;  // each listen begins inside a frame, inside a byte
    } DRIVERS[] = {{false, false}, {false, true}, {true, true}};
    std::mt19937 random(41);
    for (const auto& rates : NEAR_RATES)
        for (size_t device = 0; device < 2; ++device)
            for (const auto& driver : DRIVERS) {
                // 12-byte frames as a device sends them: an FF 00 pair, a last byte 55.
                UartLine line;
                for (uint8_t s = 0; s < 40; ++s)
                    line.Send(ArdunFrameBytes({s, 0xFF, 0x00, 3, 4, 5, 6, 7, 8, 9, (uint8_t)(s * 3), 0x55}),
                              random() % 40);
                // The higher rate first as often: the order of the rates never chooses.
                const bool higherFirst = random() % 2 == 1;
                std::vector<RateHeard> heard;
                for (size_t reader = 0; reader < 2; ++reader) {
                    const double fromBit = driver.midFrame ? 1 + random() % 150 + 0.37 : 0;
                    heard.push_back(Hear(line, rates[device], rates[higherFirst ? 1 - reader : reader],
                                         fromBit, driver.reportsFraming));
                }
                const RateChoice choice = ChooseNearRate(heard);
                const std::string what = "device at " + std::to_string(rates[device]) +
                                         (higherFirst ? ", higher rate first" : "") + ", framing errors " +
                                         (driver.reportsFraming ? "reported" : "never reported") +
                                         ", library frames " + std::to_string(heard[0].libraryFrames) + "/" +
                                         std::to_string(heard[1].libraryFrames);
                EXPECT_EQ(RateChoiceKind::Chosen, choice.kind) << what;
                EXPECT_EQ(higherFirst ? 1 - device : device, choice.best) << what;
            }
}

TEST(NearRateChoice, SaysATieOrThatItIsUnsureWhereTheFramesCannotTell)
{
    const struct {
        std::vector<RateHeard> heard;
        RateChoiceKind kind;
        size_t best;
    } CASES[] = {
        // Both rates pass the library's frames alike, no framing errors reported.
        {{{true, 30, 9, 0}, {true, 29, 9, 0}}, RateChoiceKind::Tie, 0},
        // One flagged read at the right rate, which a short listen has few of.
        {{{true, 0, 5, 5}, {true, 20, 5, 1}}, RateChoiceKind::Chosen, 1},
        // Bare frames only: framing errors at the neighbour tell, none reported cannot.
        {{{true, 0, 10, 0}, {false, 0, 10, 8}}, RateChoiceKind::Chosen, 0},
        {{{true, 0, 10, 0}, {true, 0, 10, 0}}, RateChoiceKind::Unsure, 0},
        {{{true, 0, 10, 0}}, RateChoiceKind::Unsure, 0},
        {{{false, 0, 10, 0}, {false, 2, 10, 0}}, RateChoiceKind::NoWholeFrames, 2},
    };
    for (const auto& c : CASES) {
        const RateChoice choice = ChooseNearRate(c.heard);
        EXPECT_EQ(c.kind, choice.kind) << &c - CASES;
        EXPECT_EQ(c.best, choice.best) << &c - CASES;
    }
}
