// The line model of a driver's input buffer: what fits is kept, the rest lost,
// and the status call reports an overrun once per loss.
#include <gtest/gtest.h>

#include "testkit/uart_buffer_model.h"

namespace {

struct Step {
    const char* what;
    size_t arrive;        // bytes that arrive
    size_t take;          // then the reader takes this many
    size_t kept;          // of those that arrived
    size_t queued;        // after the read
    uint64_t lost;        // in all
    uint32_t statusCall;  // the errors a status call then reports
};

TEST(UartBufferModel, KeepsWhatFitsLosesTheRestAndReportsEachOverrunOnce)
{
    const Step steps[] = {
        {"fits", 60, 0, 60, 60, 0, 0},
        {"fills it exactly", 40, 0, 40, 100, 0, 0},
        {"full: all lost", 30, 0, 0, 100, 30, UART_RX_OVERRUN},
        {"a read makes room, the loss stays counted", 0, 25, 0, 75, 30, 0},
        {"part fits", 40, 0, 25, 100, 45, UART_RX_OVERRUN},
        {"a read of more than is held empties it", 0, 500, 0, 0, 45, 0},
    };
    UartBufferModel line(100);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(step.kept, line.Receive(step.arrive));
        line.Take(step.take);
        EXPECT_EQ(step.queued, line.Queued());
        EXPECT_EQ(step.lost, line.Lost());
        EXPECT_EQ(step.statusCall, line.TakeErrors());
    }
}

TEST(UartBufferModel, ALostCountThatGrewElsewhereIsAnOverrunAndTheStateLineReadsBack)
{
    UartBufferModel observer;
    observer.NoteLostTotal(0);
    EXPECT_EQ(0u, observer.TakeErrors());
    observer.NoteLostTotal(18432);
    observer.NoteLostTotal(18432);
    EXPECT_EQ(UART_RX_OVERRUN, observer.TakeErrors());
    EXPECT_EQ(0u, observer.TakeErrors());

    UartLineState state, read;
    state.capacity = 4095;
    state.lost = 18432;
    state.overrun = true;
    ASSERT_TRUE(ParseUartLineState(FormatUartLineState(state).c_str(), &read));
    EXPECT_EQ(4095u, read.capacity);
    EXPECT_EQ(18432u, read.lost);
    EXPECT_TRUE(read.overrun);
    EXPECT_FALSE(ParseUartLineState("lost 3", &read));
}

}  // namespace
