#include "firmware/frame_bytes.h"

#include "firmware/ArdunFrame/src/ArdunFrame.h"

static void AppendByte(uint8_t byte, void* bytes)
{
    static_cast<std::vector<uint8_t>*>(bytes)->push_back(byte);
}

std::vector<uint8_t> ArdunFrameBytes(const uint8_t* payload, size_t length)
{
    std::vector<uint8_t> bytes;
    ArdunFrameWrite(payload, length, AppendByte, &bytes);
    return bytes;
}

std::vector<uint8_t> ArdunFrameBytes(const std::vector<uint8_t>& payload)
{
    return ArdunFrameBytes(payload.data(), payload.size());
}
