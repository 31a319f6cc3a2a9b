#include "testkit/parser_on_pair.h"

#include <windows.h>

#include "firmware/frame_bytes.h"
#include "settings/port_setting.h"
#include "testkit/module_setting.h"
#include "testkit/settings_file.h"
#include "testkit/test_ports.h"

Bytes Framed(const Bytes& payload)
{
    return ArdunFrameBytes(payload);
}

void ParserOnPair::SetUp()
{
    ASSERT_TRUE(device.IsOpen());
    DrainHostSide();
    SetPortSettingText(TestPortPath(HOST_SIDE).c_str());
}

void ParserOnPair::TearDown()
{
    parser.Close();
    DrainHostSide();
}

ResultCode ParserOnPair::OpenKind(int32_t kind)
{
    MVOpenParams params = {kind, TEST_BAUD_RATE};
    return parser.Open(&params);
}

ResultCode ParserOnPair::OpenHostSide()
{
    return OpenKind(OPEN_KIND_SERIAL);
}

ResultCode ParserOnPair::RequestPacket(uint8_t n, uint32_t* handled)
{
    uint8_t bytes[2] = {0x50, n};
    uint32_t count = 0xDEADBEEF;
    MVIORequest request = {0, bytes, 2, &count};
    ResultCode result = parser.Write(&request);
    if (handled)
        *handled = count;
    return result;
}

ResultCode ParserOnPair::ReadInto(uint32_t length, Bytes* into, uint32_t* handled)
{
    into->assign(length, 0xEE);
    MVIORequest request = {0, into->data(), length, handled};
    return parser.Read(&request);
}

int32_t ParserOnPair::ErrorFlag()
{
    int32_t flag = -1;
    parser.GetLastErrorText(&flag);
    return flag;
}

Bytes ParserOnPair::HeldPayload()
{
    return Bytes(parser.PacketBytes(), parser.PacketBytes() + parser.StoredCount());
}

void ParserOnPair::Send(const Bytes& bytes)
{
    ASSERT_TRUE(device.SendQueued(bytes));
}

void ParserOnPair::RaiseErrorFlag()
{
    SetPortSettingText(TestPortPath(UNOPENABLE).c_str());
    ASSERT_EQ(E_FAIL, OpenHostSide());
    ASSERT_EQ(1, ErrorFlag());
    SetPortSettingText(TestPortPath(HOST_SIDE).c_str());
}

Bytes TakeQueuedAtHostSide()
{
    Bytes queued;
    HANDLE host = CreateFileA(TestPortPath(HOST_SIDE).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                              NULL, OPEN_EXISTING, 0, NULL);
    if (host == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "host side does not open";
        return queued;
    }
    COMMTIMEOUTS quick = {50, 0, 200, 0, 0};
    EXPECT_TRUE(SetCommTimeouts(host, &quick));
    uint8_t chunk[256];
    DWORD got = 0;
    while (ReadFile(host, chunk, sizeof chunk, &got, NULL) && got > 0)
        queued.insert(queued.end(), chunk, chunk + got);
    CloseHandle(host);
    return queued;
}
