// The cable behind the port really pulled out, with nothing injected: the
// script that runs this program (cable_pulled.sh) ends the virtual COM pair
// of the second test ports when asked, and makes it again at the same paths.
// Under Wine the host's reads then come back empty, as on a quiet line, and
// only the port's status call tells that the device is gone: the same as
// drivers that report an unplug as silence.
#include <stdlib.h>

#include <chrono>
#include <string>

#include "testkit/device_port.h"
#include "testkit/open_handles.h"
#include "testkit/plugin_fixture.h"
#include "testkit/settings_file.h"

namespace {

const uint8_t WANTED = 8;
// The host's own read time-out: a request on a quiet line lasts this long,
// one on a lost port ends at once.
const uint32_t HOST_READ_TIMEOUT_MS = 1500;
const double AT_ONCE_SECONDS = 0.5;

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Asks the script to cut or join the cable, and waits until it has.
bool AskForCable(const char* action)
{
    const char* folder = getenv("ARDUN_CABLE_DIR");
    if (folder == nullptr)
        return false;
    const std::string asked = std::string(folder) + "\\" + action + ".asked";
    const std::string done = std::string(folder) + "\\" + action + ".done";
    HANDLE file = CreateFileA(asked.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    for (int wait = 0; wait < 400 && !FileExists(done); ++wait)
        Sleep(50);
    return DeleteFileA(done.c_str()) != 0;
}

class CablePulled : public PluginFixture {
protected:
    void SetUp() override
    {
        PluginFixture::SetUp();
        ConfigurePort(TestPortPath(SECOND_HOST_SIDE));
        ASSERT_NE(nullptr, session.CreatePluginAgain());
    }
    // The device sends one packet; true when the host's Write and Read got it.
    bool PacketArrives(const std::vector<uint8_t>& payload)
    {
        DevicePort device(SECOND_DEVICE_SIDE);
        if (!device.Send(ArdunFrameBytes(payload)) || session.RequestPacket(WANTED) != OK)
            return false;
        std::vector<uint8_t> got(WANTED, MARK);
        uint32_t handled = 0;
        return session.ReadPayload(got.data(), WANTED, &handled) == OK && got == payload;
    }
    // A host Write while the cable is out, and how long it took.
    double SecondsOfRequestWithoutCable(uint32_t* result)
    {
        const auto start = std::chrono::steady_clock::now();
        *result = session.RequestPacket(WANTED);
        return SecondsSince(start);
    }
};

TEST_F(CablePulled, PacketsResumeWhenTheCableIsBackAndALostPortLeavesNoHandle)
{
    ASSERT_NE(nullptr, getenv("ARDUN_CABLE_DIR")) << "run by cable_pulled.sh, which cuts the cable";
    ASSERT_EQ(OK, session.Open());
    ASSERT_EQ(OK, session.SetTimeouts(0, 0, HOST_READ_TIMEOUT_MS));
    ASSERT_TRUE(PacketArrives(Counting(WANTED, 0x10)));

    HandleSet whileLost;  // the port closed, everything else as it stays
    for (const bool joinedAgain : {true, false}) {
        SCOPED_TRACE(joinedAgain ? "cut, then joined again" : "cut for good");
        ASSERT_TRUE(AskForCable("cut"));
        // The first request meets an empty read, as on a quiet line; the
        // status call tells, and the packet held is not passed off as new.
        uint32_t result = OK;
        SecondsOfRequestWithoutCable(&result);
        EXPECT_EQ(TIMEOUT, result);
        EXPECT_FALSE(PortIsOpen()) << "the dead handle closed, to be opened again";
        for (int request = 0; request < 3; ++request) {
            EXPECT_LT(SecondsOfRequestWithoutCable(&result), AT_ONCE_SECONDS) << "no read on a lost port";
            EXPECT_EQ(TIMEOUT, result);
        }
        if (!joinedAgain)
            break;

        ASSERT_TRUE(AskForCable("join"));
        whileLost = OpenHandles();
        // The host never closes and opens again: its requests bring the port back.
        bool resumed = false;
        for (uint8_t request = 0; request < 10 && !resumed; ++request)
            resumed = PacketArrives(Counting(WANTED, (uint8_t)(0x40 + request)));
        EXPECT_TRUE(resumed) << "no packet after the cable was joined again";
        EXPECT_TRUE(PortIsOpen());
    }
    EXPECT_EQ(OK, session.Close());
    EXPECT_EQ(whileLost, OpenHandles()) << DescribeHandleChange(whileLost, OpenHandles());
}

}  // namespace
