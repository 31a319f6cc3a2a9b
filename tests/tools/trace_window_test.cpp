// ardun-trace's window and traced work, in process: the window and its
// control, the exact log a known byte sequence produces, the plain-words
// lines, the mirror, the bound on the text, closing while a request waits,
// the status area that keeps what the trace found in view, and the watch of
// a host, chosen in the menu or on the window program's command line.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "common/kernel_handle.h"
#include "common/version.h"
#include "parser/ardun_parser.h"
#include "testkit/build_folder.h"
#include "testkit/device_port.h"
#include "testkit/frame_stream.h"
#include "testkit/test_ports.h"
#include "tools/trace/session/trace_session.h"
#include "tools/trace/trace_program.h"
#include "tools/trace/window/status_area.h"
#include "tools/trace/window/trace_window.h"

typedef std::vector<uint8_t> Bytes;

static std::string TextOf(HWND window)
{
    // The window's own thread may set a longer text between the length and
    // the text: a text that fills the room may be cut, and is read again.
    for (int room = GetWindowTextLengthA(window) + 2;; room *= 2) {
        std::string text(room, '\0');
        const int got = GetWindowTextA(window, &text[0], room);
        if (got < room - 1) {
            text.resize(got);
            return text;
        }
    }
}

// What the window shows once it has shown all it gathered.
static std::string ShownText(TraceWindow& window)
{
    window.ShowGathered();
    return TextOf(window.Edit());
}

static std::string LastLine(const std::string& text)
{
    const size_t lineBreak = text.rfind("\r\n");
    return lineBreak == std::string::npos ? text : text.substr(lineBreak + 2);
}

static std::string FileText(FILE* file)
{
    std::string text;
    rewind(file);
    for (int c = fgetc(file); c != EOF; c = fgetc(file))
        text += (char)c;
    return text;
}

// The control's text as the mirror should have it: one line each, ended by a line feed.
static std::string AsMirrored(std::string text)
{
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.replace(at, 2, "\n");
    return text.empty() ? text : text + "\n";
}

// The hex-dump pair that the port logs for one byte it reads.
static std::string ByteRead(const char* hex, char shown)
{
    return std::string("KVSerial: Read\r\n0000: ") + hex + std::string(46, ' ') + shown + "\r\n";
}

// The status area's text for `label`, without the label, its wrapped lines
// (indented under the first) joined; empty when it shows none.
static std::string StatusLine(HWND status, const std::string& label)
{
    const std::string text = "\r\n" + TextOf(status) + "\r\n";
    const size_t at = text.find("\r\n" + label);
    if (at == std::string::npos)
        return "";
    const std::string indent = "\r\n" + std::string(10, ' ');
    std::string value;
    for (size_t from = text.find_first_not_of(' ', at + 2 + label.size()); from != std::string::npos;) {
        const size_t end = text.find("\r\n", from);
        value += (value.empty() ? "" : " ") + text.substr(from, end - from);
        from = text.compare(end, indent.size(), indent) == 0 ? end + indent.size() : std::string::npos;
    }
    return value;
}

// The module's own log, as the window shows it with its moduleLog set.
static TraceOptions OptionsFor(TestPort port, uint32_t size)
{
    TraceOptions options;
    options.port = TestPortNumber(port);
    options.size = size;
    options.log = true;
    return options;
}

TEST(TraceWindow, IsAResizingFixedPitchReadOnlyLog)
{
    TraceController control;
    TraceWindow window(control, 100000, true, NULL);
    ASSERT_TRUE(window.Create(GetModuleHandleA(NULL), "Ardun Trace - test"));
    EXPECT_TRUE(IsWindowVisible(window.Frame()));
    EXPECT_EQ("Ardun Trace - test", TextOf(window.Frame()));
    const LONG style = GetWindowLongA(window.Edit(), GWL_STYLE);
    const LONG wanted = ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_CHILD;
    EXPECT_EQ(wanted, style & wanted);
    EXPECT_EQ(0, style & (WS_HSCROLL | ES_AUTOHSCROLL)) << "long lines wrap, never scroll sideways";

    HDC dc = GetDC(window.Edit());
    ASSERT_NE((HDC)NULL, dc);
    HGDIOBJ before = SelectObject(dc, (HFONT)SendMessageA(window.Edit(), WM_GETFONT, 0, 0));
    TEXTMETRICA metrics;
    ASSERT_TRUE(GetTextMetricsA(dc, &metrics));
    EXPECT_EQ(0, metrics.tmPitchAndFamily & TMPF_FIXED_PITCH);  // the bit set means variable pitch
    SelectObject(dc, before);
    ReleaseDC(window.Edit(), dc);

    ASSERT_TRUE(SetWindowPos(window.Frame(), NULL, 0, 0, 640, 400, SWP_NOZORDER | SWP_NOMOVE));
    RECT client, edit, status;
    ASSERT_TRUE(GetClientRect(window.Frame(), &client));
    ASSERT_TRUE(GetWindowRect(window.Edit(), &edit));
    ASSERT_TRUE(GetWindowRect(window.StatusControl(), &status));
    // The status area on top, the log below it, both the client's width.
    EXPECT_EQ(client.right, edit.right - edit.left);
    EXPECT_EQ(client.right, status.right - status.left);
    EXPECT_EQ(status.bottom, edit.top);
    EXPECT_EQ(client.bottom, status.bottom - status.top + edit.bottom - edit.top);
    EXPECT_GT(status.bottom - status.top, 0);
}

TEST(TraceSession, LogsEveryStepAndByteThenItsOwnLineAndMirrorsThem)
{
    FILE* mirror = tmpfile();
    ASSERT_NE((FILE*)NULL, mirror);
    {
        TraceController control;
        TraceWindow window(control, 100000, true, mirror);
        ASSERT_TRUE(window.Create(GetModuleHandleA(NULL), "Ardun Trace - session"));
        const TraceOptions options = OptionsFor(HOST_SIDE, 3);
        EXPECT_EQ(TestPortPath(HOST_SIDE) + " from the command line", SetPortSettingForTrace(options));
        DevicePort device;
        ASSERT_TRUE(device.IsOpen());
        DrainHostSide();
        TraceSession session(TheComponent, &window, &window, options);
        ASSERT_TRUE(session.Open());
        // Noise, the frame start, 01, a doubled FF, 07, and the byte taken after it.
        ASSERT_TRUE(device.SendQueued({0x41, 0xFF, 0x00, 0x01, 0xFF, 0xFF, 0x07, 0x20}));
        EXPECT_TRUE(session.RequestPacket());
        EXPECT_FALSE(session.RequestPacket());  // the line is silent now
        session.Close();

        const std::string port = TestPortPath(HOST_SIDE);
        const std::string expected =
            "KVSerial: Port Closed\r\nKVSerial: Successfully opened " + port + "\r\nKVSerial: " + port +
            " opened at 115200 baud\r\n" + ByteRead("41", 'A') + ByteRead("FF", '.') + ByteRead("00", '.') +
            ByteRead("01", '.') + ByteRead("FF", '.') + ByteRead("FF", '.') + ByteRead("07", '.') +
            ByteRead("20", ' ') + "Packet 1: 0x00000000 ok, 3 bytes: 01 FF 07\r\n" +
            // A Write on a silent line reports the packet held from before as its own.
            "Nothing new (request 2): 0x00000000 ok, but no byte at all: is it the right port, is the device "
            "on and sending? \"Find the device\" in the menu (ardun-trace --find) finds the port, rate and "
            "size; the host is handed the packet before again\r\n" +
            "KVSerial: Port Closed";
        EXPECT_EQ(expected, ShownText(window));
        EXPECT_EQ(AsMirrored(expected), FileText(mirror));
        EXPECT_EQ(2u, session.Requests());
        EXPECT_EQ(1u, session.Packets());
    }
    fclose(mirror);
}

TEST(TraceSession, SaysInPlainWordsWhyNoPacketCame)
{
    static const struct {
        Bytes sent;
        const char* line;
    } CASES[] = {
        {{},
         "Time-out (request 1): 0x800705B4 no byte at all: is it the right port, is the device on and "
         "sending? \"Find the device\" in the menu (ardun-trace --find) finds the port, rate and size"},
        // A frame start among the first two bytes of a request does not count.
        {{0xFF, 0x00, 0x01, 0x02},
         "Time-out (request 2): 0x800705B4 4 bytes but no frame start FF 00: is the baud rate right, does "
         "the device send Ardun frames? \"Find the device\" in the menu (ardun-trace --find) finds the "
         "port, rate and size"},
        {{0x09, 0x09, 0xFF, 0x00, 0x0A, 0x0B},
         "Time-out (request 3): 0x800705B4 a frame cut short, 2 of 250 payload bytes: 0A 0B (does the "
         "device send 250-byte packets? \"Find the device\" in the menu (ardun-trace --find) finds the "
         "port, rate and size)"},
    };
    TraceController control;
    TraceWindow window(control, 100000, true, NULL);
    ASSERT_TRUE(window.Create(GetModuleHandleA(NULL), "Ardun Trace - causes"));
    const TraceOptions options = OptionsFor(HOST_SIDE, 250);
    SetPortSettingForTrace(options);
    DevicePort device;
    DrainHostSide();
    TraceSession session(TheComponent, &window, &window, options);
    ASSERT_TRUE(session.Open());
    for (const auto& c : CASES) {
        if (!c.sent.empty()) {
            ASSERT_TRUE(device.SendQueued(c.sent));
        }
        EXPECT_FALSE(session.RequestPacket());
        EXPECT_EQ(c.line, LastLine(ShownText(window)));
    }
}

// "Could not open <port>: <the cause>, Windows error N (its text): <what to do>".
static bool ExplainsOpenFailure(const std::string& text, const std::string& port)
{
    const std::string head = "Could not open " + port + ": ";
    static const std::regex CAUSE(
        "^(no such port|another program holds it|the driver refused the baud rate), "
        "Windows error [1-9][0-9]* \\([^)]+\\): .*(Port|Baud rate) menu");
    return text.compare(0, head.size(), head) == 0 && std::regex_search(text.substr(head.size()), CAUSE);
}

TEST(TraceSession, APortThatCannotBeOpenedIsExplained)
{
    TraceController control;
    TraceWindow window(control, 100000, true, NULL);
    ASSERT_TRUE(window.Create(GetModuleHandleA(NULL), "Ardun Trace - unopenable"));
    const TraceOptions options = OptionsFor(UNOPENABLE, 16);
    SetPortSettingForTrace(options);
    TraceSession session(TheComponent, &window, &window, options);
    EXPECT_FALSE(session.Open());
    const std::string port = TestPortPath(UNOPENABLE);
    const std::string shown = ShownText(window);
    EXPECT_EQ(0u, shown.find("KVSerial: Port Closed\r\nKVSerial: Open Port " + port +
                             " Failed\r\nKVSerial: Port Closed\r\nCould not open"))
        << shown;
    EXPECT_TRUE(ExplainsOpenFailure(LastLine(shown), port)) << shown;
    // A request on a port that is not open fails; it is no time-out.
    EXPECT_FALSE(session.RequestPacket());
    EXPECT_EQ("0 ok, 0 time-outs, 1 failed, 0 misread", StatusLine(window.StatusControl(), "Requests"));
}

TEST(TraceWindow, DropsWholeOldestLinesBeyondItsBoundAndMirrorsAll)
{
    static const struct {
        size_t keep;   // asked for
        size_t bound;  // kept: at least four of the longest messages
        int lines;
        int dashes;  // dashes after "line NNNN ": 0 for a varying 0 to 59
    } CASES[] = {{20000, 20000, 3000, 0}, {0, 4 * LOG_TEXT_CAPACITY, 40, 4095 - 10}};
    for (const auto& c : CASES) {
        FILE* mirror = tmpfile();
        ASSERT_NE((FILE*)NULL, mirror);
        std::vector<std::string> written;
        {
            TraceController control;
            TraceWindow window(control, c.keep, true, mirror);
            ASSERT_TRUE(window.Create(GetModuleHandleA(NULL), "Ardun Trace - bound"));
            size_t longest = 0;
            for (int i = 0; i < c.lines; ++i) {
                char number[16];
                snprintf(number, sizeof number, "line %04d ", i);
                written.push_back(number + std::string(c.dashes != 0 ? c.dashes : i % 60, '-'));
                window.Line(written.back());
                longest = std::max(longest, (size_t)GetWindowTextLengthA(window.Edit()));
            }
            EXPECT_LE(longest, c.bound);
            // Whole lines, consecutive up to the last one written, no leading CR LF.
            const std::string text = ShownText(window);
            int first = -1;
            ASSERT_EQ(1, sscanf(text.c_str(), "line %d", &first)) << text.substr(0, 20);
            EXPECT_GT(first, 0);
            std::string kept;
            for (int i = first; i < c.lines; ++i)
                kept += (i > first ? "\r\n" : "") + written[i];
            EXPECT_EQ(kept, text);
        }
        const std::string mirrored = FileText(mirror);
        EXPECT_EQ(c.lines, (int)std::count(mirrored.begin(), mirrored.end(), '\n'));
        fclose(mirror);
    }
}

TEST(RunTrace, ClosingTheWindowEndsTheRequestClosesThePortThenTheWindow)
{
    FILE* mirror = tmpfile();
    ASSERT_NE((FILE*)NULL, mirror);
    DrainHostSide();
    const TraceOptions options = OptionsFor(HOST_SIDE, 16);
    int status = -1;
    std::thread trace([&] { status = RunTrace(GetModuleHandleA(NULL), options, mirror); });
    const std::string title = "Ardun Trace - " + TestPortPath(HOST_SIDE) + ", 115200 baud, 16-byte packets";
    HWND frame = NULL;
    std::string text;
    // Requests run once the port is open.
    for (int i = 0; i < 200 && text.find(" opened at ") == std::string::npos; ++i) {
        Sleep(50);
        frame = FindWindowA("ArdunTraceWindow", title.c_str());
        if (frame != NULL)
            text = TextOf(FindWindowExA(frame, NULL, "Edit", NULL));
    }
    if (frame == NULL) {
        // The trace runs until its window is closed: with no window it can
        // never be joined, so the test ends here instead of waiting for ever.
        ADD_FAILURE() << "the window \"" << title << "\" did not appear within 10 s";
        fflush(stdout);
        (void)TerminateProcess(GetCurrentProcess(), 1);  // returns only when it failed
    }
    const bool opened = text.find(" opened at ") != std::string::npos;
    const bool visible = frame != NULL && IsWindowVisible(frame);
    if (frame != NULL)
        PostMessageA(frame, WM_CLOSE, 0, 0);
    // Joined before any assertion can end the test.
    trace.join();
    ASSERT_TRUE(opened) << text;
    EXPECT_TRUE(visible);
    EXPECT_EQ(3, status);  // not a single packet
    EXPECT_FALSE(IsWindow(frame));
    // The port's last step still reached the window, so it came before the window went.
    const std::string mirrored = FileText(mirror);
    EXPECT_EQ("KVSerial: Port Closed\n", mirrored.substr(mirrored.rfind('\n', mirrored.size() - 2) + 1));
    fclose(mirror);
}

// The command of the menu item that reads `text` in the bar's list `list`
// (the bar's own item for -1), or 0.
static UINT MenuCommand(HWND frame, int list, const char* text)
{
    const HMENU menu = list < 0 ? GetMenu(frame) : GetSubMenu(GetMenu(frame), list);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char itemText[64] = "";
        GetMenuStringA(menu, i, itemText, sizeof itemText, MF_BYPOSITION);
        if (strcmp(itemText, text) == 0)
            return GetMenuItemID(menu, i);
    }
    return 0;
}

static bool WaitForText(HWND frame, const std::string& wanted, std::string* text)
{
    for (int i = 0; i < 200; ++i, Sleep(50)) {
        *text = TextOf(FindWindowExA(frame, NULL, "Edit", NULL));
        if (text->find(wanted) != std::string::npos)
            return true;
    }
    return false;
}

TEST(RunTrace, TheMenuChoosesPortBaudRateAndSizeAndRunsFind)
{
    DrainHostSide();
    const TraceOptions options = OptionsFor(HOST_SIDE, 16);
    int status = -1;
    std::thread trace([&] { status = RunTrace(GetModuleHandleA(NULL), options, NULL); });
    HWND frame = NULL;
    for (int i = 0; i < 200 && frame == NULL; ++i, Sleep(50))
        frame = FindWindowA("ArdunTraceWindow", NULL);
    std::string text;
    const std::string other = TestPortPath(SECOND_HOST_SIDE);
    bool chose = frame != NULL && WaitForText(frame, " opened at 115200 baud", &text);
    if (chose) {
        PostMessageA(frame, WM_COMMAND, MenuCommand(frame, 1, "57600"), 0);
        chose = WaitForText(frame, " opened at 57600 baud", &text);
    }
    if (chose) {
        PostMessageA(frame, WM_COMMAND, MenuCommand(frame, 2, "12"), 0);
        chose = WaitForText(frame, "; 57600 baud, 12-byte packets", &text);
    }
    UINT portCommand = 0;
    if (chose) {
        // The port list is probed as it opens, the port traced now among the entries.
        SendMessageA(frame, WM_INITMENUPOPUP, (WPARAM)GetSubMenu(GetMenu(frame), 0), 0);
        portCommand = MenuCommand(frame, 0,
                                  ("COM" + std::to_string(TestPortNumber(SECOND_HOST_SIDE))).c_str());
        PostMessageA(frame, WM_COMMAND, portCommand, 0);
        chose = WaitForText(frame, "Port " + other + " chosen in the menu; 57600 baud, 12-byte packets",
                            &text);
    }
    char title[128] = "";
    GetWindowTextA(frame, title, sizeof title);
    const std::string chosenStatus = TextOf(GetDlgItem(frame, STATUS_AREA_ID));
    if (chose) {
        PostMessageA(frame, WM_COMMAND, MenuCommand(frame, -1, "&Find the device"), 0);
        // Every port from COM0 up, so at least one that opens is listened to.
        chose = WaitForText(frame, "Looking for the device on every COM port", &text) &&
                WaitForText(frame, ": listening for Ardun frames", &text);
    }
    const std::string findStatus = TextOf(GetDlgItem(frame, STATUS_AREA_ID));
    if (frame != NULL)
        PostMessageA(frame, WM_CLOSE, 0, 0);
    trace.join();  // before any assertion can end the test
    ASSERT_TRUE(chose) << text;
    EXPECT_NE(0u, portCommand);
    EXPECT_EQ("Ardun Trace - " + other + ", 57600 baud, 12-byte packets", std::string(title));
    // Each setting says where it came from; the earlier trace's requests are gone.
    EXPECT_EQ(0u, chosenStatus.find("Port      " + other +
                                    " chosen in the menu\r\n"
                                    "Baud rate 57600 baud, chosen in the menu\r\n"
                                    "Size      12-byte packets, chosen in the menu"))
        << chosenStatus;
    EXPECT_NE(std::string::npos, findStatus.find("Finding   Find: looking for the device")) << findStatus;
    EXPECT_EQ(3, status);  // not a single packet
}

TEST(TraceWindow, KeepsTheSettingsTheRequestsAndTheWrongSizeInViewAndStartsAfreshWithEachTrace)
{
    TraceController control;
    TraceWindow window(control, 100000, false, NULL);
    ASSERT_TRUE(window.Create(GetModuleHandleA(NULL), "Ardun Trace - status"));
    TraceOptions options = OptionsFor(HOST_SIDE, 16);
    options.log = false;
    window.ShowTraced(DescribeTraced(options, SetPortSettingForTrace(options), SettingSource::Default,
                                     SettingSource::Menu));
    EXPECT_EQ("Ardun Trace - " + TestPortPath(HOST_SIDE) + ", 115200 baud, 16-byte packets",
              TextOf(window.Frame()));
    const HWND status = window.StatusControl();
    EXPECT_EQ(TestPortPath(HOST_SIDE) + " from the command line", StatusLine(status, "Port"));
    EXPECT_EQ("115200 baud, the default", StatusLine(status, "Baud rate"));
    EXPECT_EQ("16-byte packets, chosen in the menu", StatusLine(status, "Size"));

    // 14-byte frames asked for as 16: every packet "ok", every one a misread.
    std::vector<Bytes> payloads;
    for (uint8_t f = 0; f < 12; ++f)
        payloads.push_back(Bytes(14, (uint8_t)(0x10 + f)));
    DevicePort device;
    DrainHostSide();
    window.WorkStarted();
    TraceSession session(TheComponent, &window, &window, options);
    ASSERT_TRUE(session.Open());
    ASSERT_TRUE(device.SendQueued(WriteFrames(payloads).bytes));
    for (int i = 0; i < 6; ++i)
        (void)session.RequestPacket();
    session.Close();
    std::string requests = StatusLine(status, "Requests");
    const size_t singular = requests.find(" time-out,");
    if (singular != std::string::npos)
        requests.replace(singular, 10, " time-outs,");
    unsigned ok = 9, timeOuts = 9, failed = 9, misread = 0;
    ASSERT_EQ(4, sscanf(requests.c_str(), "%u ok, %u time-outs, %u failed, %u misread", &ok, &timeOuts,
                        &failed, &misread))
        << requests;
    EXPECT_EQ(0u, ok);
    EXPECT_EQ(0u, failed);
    EXPECT_EQ(6u, timeOuts + misread);
    EXPECT_GE(misread, 4u) << requests;
    EXPECT_EQ("wrong size: the device's frames hold 14 payload bytes, not the 16 asked for; choose 14 in the "
              "Size menu",
              StatusLine(status, "Finding"));

    window.WorkStarted();  // a new trace: nothing measured yet
    EXPECT_EQ("", StatusLine(status, "Requests"));
    EXPECT_EQ("", StatusLine(status, "Finding"));
    EXPECT_EQ("16-byte packets, chosen in the menu", StatusLine(status, "Size"));
}

TEST(TraceWindow, GrowsItsStatusAreaWhenTextsWrapSoThatTheFindingStaysInView)
{
    TraceController control;
    TraceWindow window(control, 100000, false, NULL);
    ASSERT_TRUE(window.Create(GetModuleHandleA(NULL), "Ardun Trace - narrow"));
    const TraceOptions options = OptionsFor(HOST_SIDE, 16);
    window.ShowTraced(DescribeTraced(options, SetPortSettingForTrace(options), SettingSource::Default,
                                     SettingSource::Menu));
    const std::string finding =
        "Could not open " + TestPortPath(UNOPENABLE) +
        ": no such port, another program holds it, or its driver refused the baud rate (choose "
        "another port in the Port menu, or another rate in the Baud rate menu)";
    window.ShowFinding(finding);
    const HWND status = window.StatusControl();
    HDC dc = GetDC(status);
    ASSERT_NE((HDC)NULL, dc);
    HGDIOBJ before = SelectObject(dc, (HFONT)SendMessageA(status, WM_GETFONT, 0, 0));
    TEXTMETRICA metrics;
    ASSERT_TRUE(GetTextMetricsA(dc, &metrics));
    SelectObject(dc, before);
    ReleaseDC(status, dc);

    // Narrow, the finding wraps to more lines than the fields; wide again, the area shrinks back.
    int heights[2] = {0, 0};
    const int widths[2] = {320, 900};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(SetWindowPos(window.Frame(), NULL, 0, 0, widths[i], 500, SWP_NOZORDER | SWP_NOMOVE));
        RECT inside, area, log;
        ASSERT_TRUE(GetClientRect(status, &inside));
        ASSERT_TRUE(GetWindowRect(status, &area));
        ASSERT_TRUE(GetWindowRect(window.Edit(), &log));
        const LRESULT lastCharacter = SendMessageA(status, EM_POSFROMCHAR, GetWindowTextLengthA(status) - 1,
                                                   0);
        EXPECT_LE((short)HIWORD(lastCharacter) + metrics.tmHeight, inside.bottom) << widths[i];
        EXPECT_EQ(area.bottom, log.top) << widths[i];
        EXPECT_GT(log.bottom - log.top, 0) << widths[i];
        heights[i] = area.bottom - area.top;
        // Wrapped under its own column by the area, not by the control at its left edge.
        const std::string text = TextOf(status);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n') + 1, SendMessageA(status, EM_GETLINECOUNT, 0, 0))
            << text;
        EXPECT_EQ(finding, StatusLine(status, "Finding")) << text;
    }
    EXPECT_GT(heights[0], heights[1]);
}

TEST(RunTrace, APortThatCannotBeOpenedPointsAtTheMenusAndThePortMenuSaysWhatItsBracesMean)
{
    const TraceOptions options = OptionsFor(UNOPENABLE, 16);
    int status = -1;
    std::thread trace([&] { status = RunTrace(GetModuleHandleA(NULL), options, NULL); });
    HWND frame = NULL;
    std::string finding;
    for (int i = 0; i < 200 && finding.empty(); ++i, Sleep(50)) {
        frame = FindWindowA("ArdunTraceWindow", NULL);
        if (frame != NULL)
            finding = StatusLine(GetDlgItem(frame, STATUS_AREA_ID), "Finding");
    }
    std::string note;
    if (frame != NULL) {
        // The traced port did not open, so the list names it in braces.
        const HMENU ports = GetSubMenu(GetMenu(frame), 0);
        SendMessageA(frame, WM_INITMENUPOPUP, (WPARAM)ports, 0);
        char text[160] = "";
        GetMenuStringA(ports, GetMenuItemCount(ports) - 1, text, sizeof text, MF_BYPOSITION);
        note = text;
        PostMessageA(frame, WM_CLOSE, 0, 0);
    }
    trace.join();  // before any assertion can end the test
    EXPECT_TRUE(ExplainsOpenFailure(finding, TestPortPath(UNOPENABLE))) << finding;
    EXPECT_EQ(
        "{COM" + std::to_string(TestPortNumber(UNOPENABLE)) +
            "}: the port traced now, which did not open for this list (the trace itself holds it, or it "
            "is gone)",
        note);
    EXPECT_EQ(1, status);
}

// Starts the test's published_host, which is built beside this test, to
// publish its calls for `seconds`.
static bool StartPublishedHost(int seconds, PROCESS_INFORMATION* process)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(NULL, path, sizeof path);
    std::string command(path, length);
    command = "\"" + command.substr(0, command.rfind('\\') + 1) + "published_host.exe\" " +
              std::to_string(seconds);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, process);
}

TEST(RunTrace, WatchTheHostInTheMenuShowsTheHostsSettingsCallsAndFindingThenTheTracesOwnSettingsAgain)
{
    const TraceOptions options = OptionsFor(UNOPENABLE, 16);
    std::thread trace([&] { (void)RunTrace(GetModuleHandleA(NULL), options, NULL); });
    HWND frame = NULL;
    for (int i = 0; i < 200 && frame == NULL; ++i, Sleep(50))
        frame = FindWindowA("ArdunTraceWindow", NULL);
    std::string text, finding, watchingTitle, afterTitle;
    std::vector<std::string> watching, after;
    const char* const labels[] = {"Host", "Port", "Baud rate", "Size", "Time-outs"};
    bool watched = frame != NULL && WaitForText(frame, "Could not open", &text);
    if (watched) {
        PostMessageA(frame, WM_COMMAND, MenuCommand(frame, -1, "&Watch the host"), 0);
        watched = WaitForText(
            frame, "No host with the ArdunParser plug-in is running; waiting for one to start.", &text);
    }
    PROCESS_INFORMATION host = {};
    const bool started = watched && StartPublishedHost(4, &host);
    const HWND status = frame != NULL ? GetDlgItem(frame, STATUS_AREA_ID) : NULL;
    if (started) {
        const KernelHandle hostProcess(host.hProcess), hostThread(host.hThread);  // closed with this block
        watched = WaitForText(
            frame, "Watching published_host.exe (process " + std::to_string(host.dwProcessId) + ")", &text);
        // The host asks for 16 bytes; its device's frames hold 12.
        for (int i = 0; watched && i < 200 && finding.find("frames hold") == std::string::npos;
             ++i, Sleep(50))
            finding = StatusLine(status, "Finding");
        watchingTitle = TextOf(frame);
        for (const char* label : labels)
            watching.push_back(StatusLine(status, label));
        watched = watched && WaitForText(frame, "No host left to watch: the watch ends.", &text);
        afterTitle = TextOf(frame);
        for (int i = 0; i < 200 && afterTitle.find("watching") != std::string::npos; ++i, Sleep(50))
            afterTitle = TextOf(frame);
        for (const char* label : labels)
            after.push_back(StatusLine(status, label));
        if (WaitForSingleObject(host.hProcess, 10000) != WAIT_OBJECT_0)
            (void)TerminateProcess(host.hProcess, 1);  // a host that outlives its play is ended
    }
    if (frame != NULL)
        PostMessageA(frame, WM_CLOSE, 0, 0);
    trace.join();  // before any assertion can end the test
    ASSERT_TRUE(started) << text;
    ASSERT_TRUE(watched) << text;
    EXPECT_NE(std::string::npos, text.find("Open COM5 at 9600 baud: ok")) << text;
    EXPECT_EQ("the device's frames hold 12 payload bytes; the host asks for 16", finding);
    // While watching: the host's program, port, baud rate, N and time-outs, as published_host set them.
    const std::string process = "published_host.exe (process " + std::to_string(host.dwProcessId) + ")";
    EXPECT_EQ("Ardun Trace - watching " + process + ": COM5, 9600 baud, N 16", watchingTitle);
    const std::vector<std::string> wanted = {
        process + ", plug-in " + ARDUN_VERSION_TEXT, "COM5, open", "9600 baud",
        "N 16: the host asks for 16-byte packets",
        "read interval 40 ms, read total 0 ms a byte + 300 ms, write total 0 ms a byte + 300 ms"};
    EXPECT_EQ(wanted, watching);
    // Once the watch has ended: the trace's own again, and nothing of the host's.
    EXPECT_EQ("Ardun Trace - " + TestPortPath(UNOPENABLE) + ", 115200 baud, 16-byte packets", afterTitle);
    EXPECT_EQ((std::vector<std::string>{"", TestPortPath(UNOPENABLE) + " from the command line",
                                        "115200 baud, the default", "16-byte packets, the default", ""}),
              after);
}

// A shortcut's ardun-trace.exe --watch: the window, in watch mode.
TEST(RunTrace, TheWindowProgramWithWatchOpensTheWindowWatchingTheHost)
{
    PROCESS_INFORMATION host = {}, window = {};
    ASSERT_TRUE(StartPublishedHost(4, &host));
    std::string command = "\"" + BuiltFilePath("ardun-trace.exe") + "\" --watch --pid " +
                          std::to_string(host.dwProcessId);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    const bool started = CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                                        &window);
    std::string title;
    HWND frame = NULL;
    for (int i = 0; started && i < 200 && title.find("N 16") == std::string::npos; ++i, Sleep(50)) {
        frame = FindWindowA("ArdunTraceWindow", NULL);
        title = frame != NULL ? TextOf(frame) : "";
    }
    if (frame != NULL)
        PostMessageA(frame, WM_CLOSE, 0, 0);
    for (const PROCESS_INFORMATION& process : {window, host}) {
        if (process.hProcess == NULL)
            continue;
        const KernelHandle owned(process.hProcess), thread(process.hThread);  // closed with this round
        if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
            (void)TerminateProcess(process.hProcess, 1);  // a program that outlives the test is ended
    }
    ASSERT_TRUE(started);
    EXPECT_EQ("Ardun Trace - watching published_host.exe (process " + std::to_string(host.dwProcessId) +
                  "): COM5, 9600 baud, N 16",
              title);
}
