/* uno-harness: runs Arduino Uno firmware (an ATmega328P ELF) in simavr at the
 * pace of the wall clock, so its bytes leave at the baud rate and delay()
 * takes real time, with UART0 on a pty. LINK becomes a link to that pty: the
 * test maps it into Wine as a COM port. It stays there until the harness ends.
 *
 *   uno-harness FIRMWARE.elf LINK [--adc MV,MV,...] [--byte-log FILE]
 *
 * --adc feeds the analog inputs A0, A1, ... fixed voltages in millivolts (of
 * a 5000 mV reference). --byte-log writes a line per byte the UART sends:
 * the wall-clock time it left (CLOCK_REALTIME, seconds) and its value in hex.
 * Prints "ready LINK" once the link is made; ends on SIGTERM or SIGINT, or
 * when the firmware stops, removing the link.
 *
 * While nobody reads the pty its queue fills, and simavr would then drop
 * bytes; from then on the emulated Uno waits instead, as a device whose line
 * is held, and goes on at the baud rate once the line moves.
 *
 * simavr itself also points the fixed link /tmp/simavr-uart0 at the pty; the
 * harness uses its own LINK, so that two runs at once do not collide, and
 * removes the fixed one again while it is its own. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

#include <avr_adc.h>
#include <avr_uart.h>
#include <parts/uart_pty.h>
#include <sim_avr.h>
#include <sim_elf.h>

enum { UNO_HZ = 16000000, UNO_MILLIVOLTS = 5000, ANALOG_INPUTS = 6 };
static const char SIMAVR_LINK[] = "/tmp/simavr-uart0";
/* The simulation may run this far ahead of the wall clock before it waits:
 * well under one byte time at 115200 baud (87 us), so bytes leave one by one
 * at their own times rather than in bursts. */
static const double AHEAD_SECONDS = 0.00003;
/* Instructions between looks at the clock: some 15 us of an Uno's time. */
enum { STEPS_PER_LOOK = 200 };
/* Bytes waiting unread at the pty (it holds some 18 KB) that mean nobody
 * reads it, and how often the harness looks: every 64 looks at the clock,
 * about 1 ms of an Uno's time. */
enum { HELD_LINE_BYTES = 2048, LOOKS_PER_LINE_LOOK = 64 };
static const struct timespec HELD_LINE_WAIT = {0, 1000000};

static volatile sig_atomic_t stopRequested = 0;

static void RequestStop(int signalNumber)
{
    (void)signalNumber;
    stopRequested = 1;
}

static double Seconds(clockid_t clock)
{
    struct timespec now;
    clock_gettime(clock, &now);
    return (double)now.tv_sec + now.tv_nsec / 1e9;
}

static void LogByte(struct avr_irq_t* irq, uint32_t value, void* log)
{
    (void)irq;
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    fprintf((FILE*)log, "%lld.%09ld %02X\n", (long long)now.tv_sec, now.tv_nsec, value & 0xFF);
}

/* Replaces whatever is at `link` in one step, so a reader never finds it missing. */
static int PointLink(const char* link, const char* target)
{
    char temporary[PATH_MAX];
    snprintf(temporary, sizeof temporary, "%s.new", link);
    unlink(temporary);
    if (symlink(target, temporary) != 0 || rename(temporary, link) != 0) {
        fprintf(stderr, "uno-harness: cannot link %s to %s: %s\n", link, target, strerror(errno));
        return 0;
    }
    return 1;
}

static void RemoveLinkIfOurs(const char* link, const char* target)
{
    char pointed[PATH_MAX];
    const ssize_t length = readlink(link, pointed, sizeof pointed - 1);
    if (length < 0)
        return;
    pointed[length] = '\0';
    if (strcmp(pointed, target) == 0)
        unlink(link);
}

/* The bytes the pty holds for its reader, seen through a handle of our own. */
static int BytesWaiting(int pty)
{
    int waiting = 0;
    return ioctl(pty, FIONREAD, &waiting) == 0 ? waiting : 0;
}

static int FeedAnalogInputs(avr_t* avr, const char* list)
{
    char* end = NULL;
    for (int input = 0; input < ANALOG_INPUTS && *list != '\0'; ++input) {
        const long millivolts = strtol(list, &end, 10);
        if (end == list || millivolts < 0 || millivolts > UNO_MILLIVOLTS)
            return 0;
        avr_raise_irq(avr_io_getirq(avr, AVR_IOCTL_ADC_GETIRQ, ADC_IRQ_ADC0 + input), (uint32_t)millivolts);
        list = *end == ',' ? end + 1 : end;
    }
    return *list == '\0';
}

int main(int argc, char** argv)
{
    if (argc < 3 || (argc - 3) % 2 != 0) {
        fprintf(stderr, "usage: uno-harness FIRMWARE.elf LINK [--adc MV,MV,...] [--byte-log FILE]\n");
        return 2;
    }
    const char* adc = NULL;
    const char* logPath = NULL;
    for (int i = 3; i < argc; i += 2) {
        if (strcmp(argv[i], "--adc") == 0)
            adc = argv[i + 1];
        else if (strcmp(argv[i], "--byte-log") == 0)
            logPath = argv[i + 1];
        else {
            fprintf(stderr, "uno-harness: unknown option %s\n", argv[i]);
            return 2;
        }
    }

    elf_firmware_t firmware;
    memset(&firmware, 0, sizeof firmware);
    if (elf_read_firmware(argv[1], &firmware) != 0) {
        fprintf(stderr, "uno-harness: cannot read %s\n", argv[1]);
        return 1;
    }
    /* An Uno: an ATmega328P at 16 MHz on 5 V, its analog reference AVCC. */
    strcpy(firmware.mmcu, "atmega328p");
    firmware.frequency = UNO_HZ;
    firmware.vcc = firmware.avcc = firmware.aref = UNO_MILLIVOLTS;
    avr_t* avr = avr_make_mcu_by_name(firmware.mmcu);
    if (avr == NULL || avr_init(avr) != 0) {
        fprintf(stderr, "uno-harness: simavr has no %s\n", firmware.mmcu);
        return 1;
    }
    avr->log = LOG_ERROR;
    avr_load_firmware(avr, &firmware);
    if (adc != NULL && !FeedAnalogInputs(avr, adc)) {
        fprintf(stderr, "uno-harness: --adc takes up to %d millivolt values of 0 to %d\n", ANALOG_INPUTS,
                UNO_MILLIVOLTS);
        return 2;
    }
    FILE* log = NULL;
    if (logPath != NULL) {
        log = fopen(logPath, "w");
        if (log == NULL) {
            fprintf(stderr, "uno-harness: cannot write %s: %s\n", logPath, strerror(errno));
            return 1;
        }
        avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT), LogByte,
                                log);
    }

    static uart_pty_t uart;
    uart_pty_init(avr, &uart);
    uart_pty_connect(&uart, '0');
    RemoveLinkIfOurs(SIMAVR_LINK, uart.pty.slavename);
    if (!PointLink(argv[2], uart.pty.slavename))
        return 1;
    const int pty = open(uart.pty.slavename, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (pty < 0) {
        fprintf(stderr, "uno-harness: cannot open %s: %s\n", uart.pty.slavename, strerror(errno));
        return 1;
    }
    signal(SIGTERM, RequestStop);
    signal(SIGINT, RequestStop);
    printf("ready %s\n", argv[2]);
    fflush(stdout);

    /* Short waits must be short: no timer slack (50 us by default). */
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    /* The wall-clock time the Uno's clock started at, moved on by every wait
     * for a held line. */
    double start = Seconds(CLOCK_MONOTONIC);
    int state = cpu_Running;
    for (unsigned looks = 0; !stopRequested && state != cpu_Done && state != cpu_Crashed; ++looks) {
        if (looks % LOOKS_PER_LINE_LOOK == 0 && BytesWaiting(pty) > HELD_LINE_BYTES) {
            nanosleep(&HELD_LINE_WAIT, NULL);
            start += HELD_LINE_WAIT.tv_nsec / 1e9;
            looks = LOOKS_PER_LINE_LOOK - 1; /* look again after the wait */
            continue;
        }
        for (int step = 0; step < STEPS_PER_LOOK && state != cpu_Done && state != cpu_Crashed; ++step)
            state = avr_run(avr);
        const double ahead = (double)avr->cycle / avr->frequency - (Seconds(CLOCK_MONOTONIC) - start);
        if (ahead > AHEAD_SECONDS) {
            const struct timespec wait = {(time_t)ahead, (long)((ahead - (time_t)ahead) * 1e9)};
            nanosleep(&wait, NULL);
        }
    }

    RemoveLinkIfOurs(argv[2], uart.pty.slavename);
    if (log != NULL)
        fclose(log);
    if (state == cpu_Crashed) {
        fprintf(stderr, "uno-harness: the firmware crashed\n");
        return 1;
    }
    return 0;
}
