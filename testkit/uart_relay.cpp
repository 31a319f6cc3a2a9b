// uart-relay: a virtual null-modem pair whose line cannot slow the device, as
// a real UART's cannot. Built and run natively by wine-fixture.sh:
//   uart-relay HOST_LINK DEVICE_LINK STATE_FILE CAPACITY
// It makes two ptys and links them at HOST_LINK and DEVICE_LINK. What the
// device side writes is read at once, whatever the host does; the host side's
// unread input is kept to at most CAPACITY bytes (a driver's input buffer; a
// pty holds 4095 at most, so a larger one is kept as 4095) and what does not
// fit is lost and counted, as by UartBufferModel. The lost count
// goes to STATE_FILE (FormatUartLineState) whenever it changes, for the Wine
// side to report as an overrun. What the host side writes goes to the device
// side as far as it takes it. Ends on SIGTERM or SIGINT, removing its links.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "testkit/uart_buffer_model.h"

namespace {

volatile sig_atomic_t stopping = 0;

// A pty's reading side queues at most this much in raw mode; what is written
// beyond waits inside the kernel, where no one can count it.
const size_t PTY_QUEUE_LIMIT = 4095;

void Stop(int)
{
    stopping = 1;
}

struct Pty {
    int master = -1;
    int slave = -1;  // held open: the master stays readable, and the queue can be asked
};

bool OpenPty(const char* link, Pty* pty)
{
    pty->master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (pty->master < 0 || grantpt(pty->master) != 0 || unlockpt(pty->master) != 0)
        return false;
    const char* name = ptsname(pty->master);
    if (name == nullptr)
        return false;
    pty->slave = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (pty->slave < 0)
        return false;
    termios raw;
    if (tcgetattr(pty->slave, &raw) != 0)
        return false;
    cfmakeraw(&raw);  // no echo, no translation: bytes pass as they are
    if (tcsetattr(pty->slave, TCSANOW, &raw) != 0)
        return false;
    (void)unlink(link);  // a link left by a relay that was killed: replaced
    return symlink(name, link) == 0;
}

size_t QueuedAt(int slave)
{
    int queued = 0;
    return ioctl(slave, FIONREAD, &queued) == 0 && queued > 0 ? (size_t)queued : 0;
}

double Seconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// A pty hands written bytes to the reading side's queue a moment later, on a
// kernel worker: until they show there, the queue would look shorter than it
// is. Waits for them, for at most 2 ms (a host that reads meanwhile keeps
// the queue from ever showing them all).
void WaitUntilShown(int slave, size_t queued)
{
    const double until = Seconds() + 0.002;
    while (QueuedAt(slave) < queued && Seconds() < until)
        usleep(50);
}

void Publish(const std::string& path, const UartBufferModel& line, bool overrun)
{
    UartLineState state;
    state.capacity = line.Capacity();
    state.lost = line.Lost();
    state.overrun = overrun;
    const std::string text = FormatUartLineState(state);
    const std::string part = path + ".part";  // renamed whole: a reader never sees half
    FILE* file = fopen(part.c_str(), "w");
    if (file == nullptr)
        return;
    const bool written = fputs(text.c_str(), file) >= 0;
    if (fclose(file) == 0 && written)
        (void)rename(part.c_str(), path.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5 || atoi(argv[4]) <= 0) {
        fprintf(stderr, "usage: uart-relay HOST_LINK DEVICE_LINK STATE_FILE CAPACITY\n");
        return 2;
    }
    const char* hostLink = argv[1];
    const char* deviceLink = argv[2];
    const std::string statePath = argv[3];
    Pty host, device;
    if (!OpenPty(hostLink, &host) || !OpenPty(deviceLink, &device)) {
        fprintf(stderr, "uart-relay: could not make the ptys: %s\n", strerror(errno));
        return 1;
    }
    signal(SIGTERM, Stop);
    signal(SIGINT, Stop);
    const size_t capacity = (size_t)atoi(argv[4]);
    UartBufferModel line(capacity < PTY_QUEUE_LIMIT ? capacity : PTY_QUEUE_LIMIT);
    bool overrun = false;
    Publish(statePath, line, overrun);

    char bytes[4096];
    while (!stopping) {
        pollfd ends[2] = {{device.master, POLLIN, 0}, {host.master, POLLIN, 0}};
        if (poll(ends, 2, 500) < 0)
            continue;  // a signal: the loop's test decides
        if (ends[0].revents & POLLIN) {
            const ssize_t got = read(device.master, bytes, sizeof bytes);
            if (got > 0) {
                line.SetQueued(QueuedAt(host.slave));
                const uint64_t lostBefore = line.Lost();
                const size_t kept = line.Receive((size_t)got);
                const ssize_t written = kept > 0 ? write(host.master, bytes, kept) : 0;
                const size_t passed = written > 0 ? (size_t)written : 0;
                line.Lose(kept - passed);
                WaitUntilShown(host.slave, line.Queued() - (kept - passed));
                if (line.Lost() != lostBefore || overrun) {
                    overrun = line.Lost() != lostBefore;
                    Publish(statePath, line, overrun);
                }
            }
        }
        if (ends[1].revents & POLLIN) {
            const ssize_t got = read(host.master, bytes, sizeof bytes);
            if (got > 0)
                (void)write(device.master, bytes, (size_t)got);  // what does not fit is gone, as on a wire
        }
    }
    (void)unlink(hostLink);
    (void)unlink(deviceLink);
    return 0;
}
