#include "serial/debug_output.h"

#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

#include "testkit/edit_log.h"

typedef std::vector<std::string> Lines;

TEST(LogPrintf, WritesOneLineEachWithCrLfOnlyBetweenThem)
{
    EditLog log;
    ASSERT_TRUE(log.IsReady());
    LogPrintf(log.Sink(), "KVSerial: %s %i", "first", 1);
    EXPECT_EQ("KVSerial: first 1", log.Text());  // no leading CR LF in an empty control
    LogPrintf(log.Sink(), "second");
    LogPrintf(log.Sink(), "third");
    EXPECT_EQ("KVSerial: first 1\r\nsecond\r\nthird", log.Text());
}

TEST(LogPrintf, CutsALongMessageTo4095Characters)
{
    EditLog log;
    ASSERT_TRUE(log.IsReady());
    std::string message;
    for (int i = 0; i < 5000; ++i)
        message += (char)('a' + i % 26);
    LogPrintf(log.Sink(), "%s", message.c_str());
    EXPECT_EQ(message.substr(0, 4095), log.Text());
}

TEST(LogPrintf, WithoutSinkOrControlFormatsAndWritesNothing)
{
    EditLog log;
    ASSERT_TRUE(log.IsReady());
    LogPrintf(log.Sink(), "marker");
    KVDebugOutput noControl = {NULL};
    LogPrintf(NULL, "null sink");
    LogPrintf(&noControl, "null control");
    LogHexDump(NULL, (const uint8_t*)"A", 1);
    LogHexDump(&noControl, (const uint8_t*)"A", 1);
    EXPECT_STREQ("marker", logText);
    EXPECT_EQ("marker", log.Text());
}

TEST(AppendEditText, PutsLineBreaksOnlyAfterExistingText)
{
    EditLog log;
    ASSERT_TRUE(log.IsReady());
    AppendEditText(log.Sink()->editControl, "one", 2);
    AppendEditText(log.Sink()->editControl, "two", 2);
    AppendEditText(log.Sink()->editControl, "three", 0);
    EXPECT_EQ("one\r\n\r\ntwothree", log.Text());
}

struct HexDumpCase {
    const char* name;
    std::vector<uint8_t> bytes;
    Lines expected;
};

TEST(LogHexDump, WritesHeaderAndLinesOfSixteenBytes)
{
    const std::string fullHex = "30 31 32 33 34 35 36 37 38 39 3A 3B 3C 3D 3E 3F ";
    const HexDumpCase cases[] = {
        {"one printable byte", {0x41}, {"KVSerial: Read", "0000: 41" + std::string(46, ' ') + "A"}},
        {"seventeen bytes",
         {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,
          0x40},
         {"KVSerial: Read", "0000: " + fullHex + "0123456789:;<=>?",
          "0010: 40 " + std::string(45, ' ') + "@"}},
        {"unprintable bytes",
         {0x00, 0x0D, 0x7F, 0xFF},
         {"KVSerial: Read", "0000: 00 0D 7F FF " + std::string(36, ' ') + "...."}},
    };
    EditLog log;
    ASSERT_TRUE(log.IsReady());
    for (const HexDumpCase& c : cases) {
        log.Clear();
        LogHexDump(log.Sink(), c.bytes.data(), (uint32_t)c.bytes.size());
        EXPECT_EQ(c.expected, log.Lines()) << c.name;
    }
}

TEST(LogHexDump, CountsOffsetsFromZeroInEachDump)
{
    std::vector<uint8_t> bytes(40, 'x');
    EditLog log;
    ASSERT_TRUE(log.IsReady());
    LogHexDump(log.Sink(), bytes.data(), 40);
    LogHexDump(log.Sink(), bytes.data(), 1);
    const Lines lines = log.Lines();
    ASSERT_EQ(6u, lines.size());
    EXPECT_EQ("0000: ", lines[1].substr(0, 6));
    EXPECT_EQ("0010: ", lines[2].substr(0, 6));
    EXPECT_EQ("0020: ", lines[3].substr(0, 6));
    EXPECT_EQ(6u + 48u + 8u, lines[3].size());
    EXPECT_EQ("KVSerial: Read", lines[4]);
    EXPECT_EQ("0000: ", lines[5].substr(0, 6));
}

TEST(LogHexDump, WritesNothingForNoBytes)
{
    EditLog log;
    ASSERT_TRUE(log.IsReady());
    const uint8_t byte = 0x41;
    LogHexDump(log.Sink(), &byte, 0);
    LogHexDump(log.Sink(), NULL, 1);
    EXPECT_EQ("", log.Text());
}

// Bytes that cannot be read at all: a dump that built its lines would stop
// the test with an access violation.
TEST(LogHexDump, WithoutSinkOrControlDoesNotTouchTheBytes)
{
    void* page = VirtualAlloc(NULL, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS);
    ASSERT_NE(nullptr, page);
    KVDebugOutput noControl = {NULL};
    LogHexDump(&noControl, (const uint8_t*)page, 64);
    LogHexDump(NULL, (const uint8_t*)page, 64);
    EXPECT_TRUE(VirtualFree(page, 0, MEM_RELEASE));
}
