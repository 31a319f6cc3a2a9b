#include "serial/line_settings.h"

#include <gtest/gtest.h>
#include <stddef.h>
#include <string.h>

// The packed flag word follows DCBlength and BaudRate.
const size_t FLAG_WORD_OFFSET = 8;

static DWORD FlagWord(const DCB& dcb)
{
    DWORD word;
    memcpy(&word, (const char*)&dcb + FLAG_WORD_OFFSET, sizeof word);
    return word;
}

TEST(ApplyLineSettings, ChangesOnlyTheLineFieldsAndMaskedFlags)
{
    static_assert(sizeof(DCB) == 28, "the host's DCB is 28 bytes");
    const struct {
        unsigned char fill;
        DWORD baudRate;
    } cases[] = {{0xFF, 9600}, {0x00, 115200}, {0xA5, 57600}, {0x5A, 300}};
    for (const auto& c : cases) {
        DCB before;
        memset(&before, c.fill, sizeof before);
        DCB after = before;
        ApplyLineSettings(&after, c.baudRate);

        EXPECT_EQ(c.baudRate, after.BaudRate);
        EXPECT_EQ(8, after.ByteSize);
        EXPECT_EQ(NOPARITY, after.Parity);

        // The flag word loses CTS and DSR output flow (0x0C), DSR sensitivity
        // (0x40), the upper bits of the DTR and RTS controls (0x20, 0x2000),
        // XON/XOFF out and in (0x100, 0x200), the error character (0x400),
        // null stripping (0x800) and abort on error (0x4000); it gains binary
        // mode (0x01) and DTR and RTS "enable" (0x10, 0x1000). Every other
        // byte, StopBits and the parity check among them, is as the device
        // reported it.
        DCB expected = before;
        expected.BaudRate = c.baudRate;
        expected.ByteSize = 8;
        expected.Parity = NOPARITY;
        const DWORD word = (FlagWord(before) & ~0x6F6Cu) | 0x1011u;
        memcpy((char*)&expected + FLAG_WORD_OFFSET, &word, sizeof word);
        EXPECT_EQ(0, memcmp(&expected, &after, sizeof after)) << (int)c.fill;
    }
}

// A sending end differs from a listening one only in one stop bit and no
// parity check, whatever the port had.
TEST(ApplyLineSettings, ASendingEndAlsoSendsOneStopBitWithoutParityCheck)
{
    for (const unsigned char fill : {0xFF, 0x00}) {
        DCB listening;
        memset(&listening, fill, sizeof listening);
        DCB sending = listening;
        ApplyLineSettings(&listening, 9600, LineEnd::Listening);
        ApplyLineSettings(&sending, 9600, LineEnd::Sending);
        EXPECT_EQ(ONESTOPBIT, sending.StopBits) << (int)fill;
        EXPECT_EQ(0u, sending.fParity) << (int)fill;
        listening.StopBits = ONESTOPBIT;
        listening.fParity = 0;
        EXPECT_EQ(0, memcmp(&listening, &sending, sizeof sending)) << (int)fill;
    }
}
