// ardun-host's text form of a GUID, checked against Windows' own conversion.
#include "tools/host/guid_text.h"

#include <gtest/gtest.h>
#include <rpc.h>

TEST(GuidText, MatchesThePlatformsConversion)
{
    for (const char* text : {"5A1C7E20-8B3D-4F61-9C2E-0D4B7A93E615", "7E94B2C1-06DA-4C38-B571-2F8E6A0D93B4",
                             "00000000-0000-0000-0000-000000000001"}) {
        UUID uuid;
        ASSERT_EQ(RPC_S_OK, UuidFromStringA(reinterpret_cast<RPC_CSTR>(const_cast<char*>(text)), &uuid));
        EXPECT_EQ(text, FormatGuidText(reinterpret_cast<const uint8_t*>(&uuid)));
    }
}
