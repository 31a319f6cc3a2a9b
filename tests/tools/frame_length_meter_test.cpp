// The frame length meter over lines made by the device library's own encoder:
// every payload length a host can ask for, with payloads chosen to mislead a
// meter that looks for the library's 55 55, and bare frames too.
#include <gtest/gtest.h>

#include <random>

#include "firmware/frame_bytes.h"
#include "tools/cli/hex_bytes.h"
#include "tools/meter/frame_length_meter.h"

namespace {

enum class PayloadKind { Random, EndsIn55, Holds5555, Constant, FF00Pairs, Mixed };
enum class Framing { Library, LibraryWithNoise, Bare };

const PayloadKind KINDS[] = {PayloadKind::Random,   PayloadKind::EndsIn55,  PayloadKind::Holds5555,
                             PayloadKind::Constant, PayloadKind::FF00Pairs, PayloadKind::Mixed};
const Framing FRAMINGS[] = {Framing::Library, Framing::LibraryWithNoise, Framing::Bare};
const size_t FRAMES = 20;

typedef std::vector<uint8_t> Bytes;

Bytes RandomBytes(std::mt19937& random, size_t length)
{
    Bytes bytes(length);
    for (uint8_t& byte : bytes)
        byte = (uint8_t)random();
    return bytes;
}

// One frame's payload of the kind; `fixed` is the constant payload, and the
// place of the 55 55 that every frame of Holds5555 has.
Bytes Payload(PayloadKind kind, std::mt19937& random, size_t length, const Bytes& fixed, size_t place)
{
    if (kind == PayloadKind::Mixed)
        kind = KINDS[random() % 5];
    Bytes payload = RandomBytes(random, length);
    switch (kind) {
    case PayloadKind::EndsIn55:
        payload.back() = 0x55;
        break;
    case PayloadKind::Holds5555:
        if (length >= 2)
            payload[place] = payload[place + 1] = 0x55;
        break;
    case PayloadKind::Constant:
        payload = fixed;
        break;
    case PayloadKind::FF00Pairs:
        for (size_t i = 0; i < length; ++i)
            payload[i] = i % 2 == 0 ? 0xFF : 0x00;
        break;
    default:
        break;
    }
    return payload;
}

// A device that sends frames one after another with nothing between them.
Bytes BareFrame(const Bytes& payload)
{
    Bytes frame = {0xFF, 0x00};
    for (const uint8_t byte : payload) {
        frame.push_back(byte);
        if (byte == 0xFF)
            frame.push_back(0xFF);
    }
    return frame;
}

Bytes Line(PayloadKind kind, Framing framing, std::mt19937& random, size_t length)
{
    const Bytes fixed = RandomBytes(random, length);
    const size_t place = length >= 2 ? random() % (length - 1) : 0;
    Bytes line;
    for (size_t f = 0; f < FRAMES; ++f) {
        if (framing == Framing::LibraryWithNoise)
            for (size_t noise = random() % 5; noise > 0; --noise)
                line.push_back((uint8_t)(random() % 255));  // never FF, as ardun-sim's noise
        const Bytes payload = Payload(kind, random, length, fixed, place);
        const Bytes frame = framing == Framing::Bare ? BareFrame(payload) : ArdunFrameBytes(payload);
        line.insert(line.end(), frame.begin(), frame.end());
    }
    // A listener that began somewhere in the first frame.
    line.erase(line.begin(), line.begin() + random() % (length + 3));
    return line;
}

FrameLengthMeter Measure(const Bytes& line, std::mt19937& random)
{
    FrameLengthMeter meter;
    for (size_t at = 0; at < line.size();) {
        const size_t count = std::min<size_t>(1 + random() % 64, line.size() - at);
        meter.Add(line.data() + at, count);
        at += count;
    }
    return meter;
}

}  // namespace

TEST(FrameLengthMeter, NamesEveryPayloadLengthWhateverThePayloadsHold)
{
    std::mt19937 random(20261209);
    for (size_t length = 1; length <= 255; ++length)
        for (const PayloadKind kind : KINDS)
            for (const Framing framing : FRAMINGS) {
                const Bytes line = Line(kind, framing, random, length);
                const FrameLengthMeter meter = Measure(line, random);
                const FrameLengthVerdict verdict = meter.Verdict();
                ASSERT_EQ(FrameLengthFinding::Found, verdict.finding)
                    << length << " bytes, kind " << (int)kind << ", framing " << (int)framing << ": "
                    << FormatHexBytes(line.data(), line.size());
                // Bare frames' last bytes that are the same in every frame may
                // be a trailer: the host gets every frame without them.
                const bool mayTrail = framing == Framing::Bare && kind != PayloadKind::Random;
                ASSERT_EQ(length, verdict.payloadLength + verdict.trailer.size())
                    << "kind " << (int)kind << ", framing " << (int)framing << ": "
                    << FormatHexBytes(line.data(), line.size());
                ASSERT_TRUE(mayTrail || verdict.trailer.empty()) << DescribeFrameLength(verdict);
                ASSERT_EQ(verdict.payloadLength, meter.PayloadLength());
            }
}

TEST(FrameLengthMeter, SaysWhenNoLengthCanBeAskedFor)
{
    std::mt19937 random(7);
    Bytes varying, longer, few;
    for (size_t f = 0; f < FRAMES; ++f) {
        const Bytes shortOrLong = ArdunFrameBytes(RandomBytes(random, 4 + f % 5 * 7));
        varying.insert(varying.end(), shortOrLong.begin(), shortOrLong.end());
        const Bytes bare = BareFrame(RandomBytes(random, 300));
        longer.insert(longer.end(), bare.begin(), bare.end());
    }
    for (size_t f = 0; f < 3; ++f) {
        const Bytes frame = ArdunFrameBytes(RandomBytes(random, 9));
        few.insert(few.end(), frame.begin(), frame.end());
    }
    const struct {
        const Bytes& line;
        FrameLengthFinding finding;
        uint32_t length;
    } CASES[] = {
        {varying, FrameLengthFinding::VaryingLengths, 0},
        {longer, FrameLengthFinding::LongerThanAnyRequest, 300},
        {few, FrameLengthFinding::TooFewFrames, 0},
    };
    for (const auto& c : CASES) {
        FrameLengthMeter meter;
        meter.Add(c.line.data(), c.line.size());
        EXPECT_EQ(c.finding, meter.Verdict().finding) << FormatHexBytes(c.line.data(), c.line.size());
        EXPECT_EQ(c.length, meter.Verdict().payloadLength);
        EXPECT_EQ(0u, meter.PayloadLength());
    }
}

TEST(FrameLengthMeter, ReadsShortLinesWrittenByHand)
{
    const struct {
        Bytes line;
        uint32_t length;
        const char* description;
    } CASES[] = {
        // A device without the library: frame starts alone, a doubled FF counted once.
        {{0xFF, 0x00, 1, 2, 0xFF, 0xFF, 0xFF, 0x00, 4, 5,    6,   0xFF,
          0x00, 7,    8, 9, 0xFF, 0x00, 1,    2,    3, 0xFF, 0x00},
         3,
         "3 payload bytes"},
        {{1, 2, 3, 0xFF, 0xFF, 0x00, 4}, 0, nullptr},  // a doubled FF before 00 is data, no frame start
        // A device's own trailer 55 55 after 3 bytes: the host gets every frame at 3.
        {{0xFF, 0x00, 1, 2, 3,    0x55, 0x55, 0xFF, 0x00, 4, 5, 6,    0x55, 0x55, 0xFF,
          0x00, 7,    8, 9, 0x55, 0x55, 0xFF, 0x00, 1,    2, 3, 0x55, 0x55, 0xFF, 0x00},
         3,
         "3 payload bytes, then 55 55 in every frame; 5 if those are data"},
        // The same last byte in every frame, a doubled FF.
        {{0xFF, 0x00, 1,    0xFF, 0xFF, 0xFF, 0x00, 2,    0xFF, 0xFF, 0xFF,
          0x00, 3,    0xFF, 0xFF, 0xFF, 0x00, 4,    0xFF, 0xFF, 0xFF, 0x00},
         1,
         "1 payload bytes, then FF in every frame; 2 if that is data"},
    };
    for (const auto& c : CASES) {
        FrameLengthMeter meter;
        meter.Add(c.line.data(), c.line.size());
        EXPECT_EQ(c.length, meter.PayloadLength()) << FormatHexBytes(c.line.data(), c.line.size());
        if (c.length != 0) {
            EXPECT_EQ(c.description, DescribeFrameLength(meter.Verdict()));
        }
    }
}

TEST(FrameLengthMeter, NamesTheLengthsOfVaryingFrames)
{
    std::mt19937 random(11);
    Bytes sketch, many;
    for (size_t f = 0; f < FRAMES; ++f) {
        // A struct, a String's text and a char array, one frame each per loop.
        const size_t sketchLengths[] = {13, 6, 10};
        const Bytes each = ArdunFrameBytes(RandomBytes(random, sketchLengths[f % 3]));
        sketch.insert(sketch.end(), each.begin(), each.end());
        const Bytes other = ArdunFrameBytes(RandomBytes(random, 4 + f % 5 * 7));
        many.insert(many.end(), other.begin(), other.end());
    }
    const struct {
        const Bytes& line;
        const char* text;
    } CASES[] = {
        {sketch,
         "the device sends frames of 3 different lengths (13, 6, 10): a host reads one fixed size; send "
         "one struct per frame"},
        {many, "the device sends frames of 5 different lengths (25, 32, 4, 11, ...): a host reads one fixed "
               "size; send one struct per frame"},
    };
    for (const auto& c : CASES) {
        FrameLengthMeter meter;
        meter.Add(c.line.data(), c.line.size());
        EXPECT_EQ(c.text, VaryingLengthsText(meter.Verdict()))
            << FormatHexBytes(c.line.data(), c.line.size());
    }
}
