#include "testkit/host_line_model.h"

#include <string.h>

#include <algorithm>

#include "firmware/frame_bytes.h"
#include "parser/packet_collector.h"

namespace {

// The plug-in's request limit, and the port's read time-out as it opens it.
const double TIME_LIMIT = 3.0;
const double READ_TIMEOUT = 0.3;

// The device and the buffer in time, as the packet collector's byte source
// and clock: a read waits for the device's next frame, up to the read
// time-out; everything read is kept for the record.
class ModelLine {
public:
    explicit ModelLine(const LineModelHost& host) : host(host), buffer(host.bufferBytes) {}

    void AdvanceTo(double time)
    {
        for (; nextFrame <= time; nextFrame += 1 / host.deviceRate) {
            std::vector<uint8_t> payload(host.payload);
            for (size_t i = 0; i < payload.size(); ++i)
                payload[i] = (uint8_t)((sent * 7 + i) % 0xFF);  // no data FF: every frame is as long
            const std::vector<uint8_t> frame = ArdunFrameBytes(payload);
            // A waiting device sends its frame once the reader makes room.
            if (host.deviceWaits && buffer.Room() < frame.size())
                break;
            buffer.Arrive(frame);
            ++sent;
        }
        now = std::max(now, time);
    }

    bool IsOpen() const { return true; }
    uint32_t ReadByte(uint8_t* byte)
    {
        if (!buffer.Take(byte)) {
            if (nextFrame - now > READ_TIMEOUT) {
                now += READ_TIMEOUT;
                return 0;
            }
            AdvanceTo(nextFrame);
            if (!buffer.Take(byte))
                return 0;
        }
        read.push_back(*byte);
        return 1;
    }
    double Seconds() const { return now; }
    uint32_t TickMilliseconds() const { return (uint32_t)(now * 1000); }

    const LineModelHost& host;
    DriverInputBuffer buffer;
    uint64_t sent = 0;
    double nextFrame = 1 / host.deviceRate;
    double now = 0;
    std::vector<uint8_t> read;  // this request's bytes
};

}  // namespace

void DriverInputBuffer::Arrive(const std::vector<uint8_t>& arriving)
{
    const size_t kept = model.Receive(arriving.size());
    bytes.insert(bytes.end(), arriving.begin(), arriving.begin() + kept);
}

uint32_t DriverInputBuffer::Status(uint32_t* errors)
{
    *errors = model.TakeErrors();
    return (uint32_t)model.Queued();
}

bool DriverInputBuffer::Take(uint8_t* byte)
{
    if (bytes.empty())
        return false;
    *byte = bytes.front();
    bytes.pop_front();
    model.Take(1);
    return true;
}

void DriverInputBuffer::Purge()
{
    model.Take(model.Queued());
    bytes.clear();
}

std::vector<HostActivityRecord> PlayLine(const LineModelHost& host, double seconds,
                                         uint64_t originMicroseconds)
{
    std::vector<HostActivityRecord> records;
    ModelLine line(host);
    HeldPacket held = {};
    const auto record = [&](uint32_t kind) -> HostActivityRecord& {
        HostActivityRecord added = {};
        added.sequenceBegin = added.sequenceEnd = (uint32_t)records.size() + 1;
        added.kind = kind;
        added.timeMicroseconds = originMicroseconds + (uint64_t)(line.now * 1e6);
        records.push_back(added);
        return records.back();
    };
    const auto request = [&](uint32_t kind) {
        const double began = line.now;
        uint32_t errors = 0;
        const uint32_t queued = line.buffer.Status(&errors);
        line.read.clear();
        PacketRequestOutcome outcome;
        const ResultCode result = CollectPacket(
            line, line, TIME_LIMIT, host.asked,
            kind == HOST_ACTIVITY_WRITE ? PacketRequester::Write : PacketRequester::Read, &held, &outcome);
        HostActivityRecord& added = record(kind);
        added.result = result;
        added.requested = host.asked;
        added.stored = outcome.stored;
        added.skipped = outcome.skipped;
        added.durationMicroseconds = (uint32_t)((line.now - began) * 1e6);
        added.inputQueue = queued;
        added.lineErrors = errors;
        added.byteCount = (uint32_t)line.read.size();
        memcpy(added.bytes, line.read.data(), HostActivityKeptBytes(added));
    };

    HostActivityRecord& open = record(HOST_ACTIVITY_OPEN);
    strcpy(open.portPath, "\\\\.\\COM5");
    open.baudRate = 9600;
    // A host that began late does not make up the requests it missed.
    for (double planned = 0; planned < seconds; planned = std::max(planned + host.everySeconds, line.now)) {
        line.AdvanceTo(planned);
        if (host.purge) {
            line.buffer.Purge();
            record(HOST_ACTIVITY_PURGE_INPUT);
        }
        if (host.notPN)
            record(HOST_ACTIVITY_WRITE);  // answered at once, reading nothing
        else if (host.pairs)
            request(HOST_ACTIVITY_WRITE);
        request(HOST_ACTIVITY_READ);
    }
    return records;
}
