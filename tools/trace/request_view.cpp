#include "tools/trace/request_view.h"

#include <stdlib.h>

#include <algorithm>

#include "parser/frame_scanner.h"
#include "tools/cli/hex_bytes.h"

namespace {

// Bytes on one line of a block; longer runs continue under the first.
const size_t BYTES_PER_LINE = 16;
const char READ_LINE[] = "KVSerial: Read";

enum ByteRole { SKIPPED, START, PAYLOAD, LOST, DROPPED, UNEXAMINED };

struct RoleText {
    const char* label;  // padded to one width, so the bytes line up
    const char* note;   // after the run's last byte; may be empty
};

const RoleText ROLE_TEXTS[] = {
    {"skipped ", ""},
    {"start   ", ""},
    {"payload ", ""},  // its note counts what was stored
    {"lost    ", "(a single FF inside the frame: the reader drops it)"},
    {"dropped ", "(read after the payload and dropped, as the reader does)"},
    {"unread  ", "(read when the time limit had passed, never looked at)"},
};

// Consecutive bytes of one role; a payload run holds the bytes as stored.
struct Run {
    ByteRole role;
    std::vector<uint8_t> bytes;
    size_t doubled;  // FF sent twice and stored once
};

void AddByte(std::vector<Run>& runs, ByteRole role, uint8_t byte)
{
    if (runs.empty() || runs.back().role != role)
        runs.push_back(Run{role, {}, 0});
    runs.back().bytes.push_back(byte);
}

std::string NoteOf(const Run& run)
{
    if (run.role != PAYLOAD)
        return ROLE_TEXTS[run.role].note;
    std::string note = "(" + std::to_string(run.bytes.size()) + " stored";
    if (run.doubled > 0)
        note += "; " + std::to_string(run.doubled) + " FF sent doubled, stored once";
    return note + ")";
}

// The bytes, replayed through the reader's own scanner in the reader's order.
std::vector<Run> ClassifyBytes(const std::vector<uint8_t>& bytes, uint32_t wanted, bool timeLimitPassed)
{
    std::vector<Run> runs;
    FrameScanner scanner = {};
    uint32_t stored = 0;
    // On its time limit the reader stops with a byte read but not looked at.
    const size_t examinable = timeLimitPassed && !bytes.empty() ? bytes.size() - 1 : bytes.size();
    size_t i = 0;
    for (; i < examinable && stored < wanted; ++i) {
        const uint8_t byte = bytes[i];
        const bool wasInFrame = scanner.inFrame;
        const bool markerPending = scanner.markerSeen;
        if (ScanFrameByte(&scanner, byte, (uint32_t)(i + 1))) {
            ++stored;
            if (markerPending && byte != ARDUN_MARKER)
                AddByte(runs, LOST, ARDUN_MARKER);
            AddByte(runs, PAYLOAD, byte);
            if (markerPending && byte == ARDUN_MARKER)
                ++runs.back().doubled;
        } else if (!wasInFrame && scanner.inFrame) {
            // The marker just before was the frame start's, not a skipped byte.
            runs.back().bytes.pop_back();
            if (runs.back().bytes.empty())
                runs.pop_back();
            AddByte(runs, START, ARDUN_MARKER);
            AddByte(runs, START, byte);
        } else if (!wasInFrame) {
            AddByte(runs, SKIPPED, byte);
        }
        // Otherwise an FF inside the frame, resolved by the byte after it.
    }
    if (scanner.inFrame && scanner.markerSeen)
        AddByte(runs, LOST, ARDUN_MARKER);  // the request ended before its pair came
    for (; i < bytes.size(); ++i)
        AddByte(runs, stored >= wanted ? DROPPED : UNEXAMINED, bytes[i]);
    return runs;
}

}  // namespace

std::vector<std::string> DescribeRequestBytes(const std::vector<uint8_t>& bytes, uint32_t wanted,
                                              bool timeLimitPassed)
{
    std::vector<std::string> lines;
    for (const Run& run : ClassifyBytes(bytes, wanted, timeLimitPassed)) {
        for (size_t at = 0; at < run.bytes.size(); at += BYTES_PER_LINE) {
            const size_t count = std::min(BYTES_PER_LINE, run.bytes.size() - at);
            std::string line = std::string("  ") + (at == 0 ? ROLE_TEXTS[run.role].label : "        ") + " " +
                               FormatHexBytes(run.bytes.data() + at, count);
            const std::string note = NoteOf(run);
            if (at + count == run.bytes.size() && !note.empty())
                line += " " + note;
            lines.push_back(line);
        }
    }
    return lines;
}

std::vector<std::string> RequestView::LogLine(const std::string& line)
{
    if (line == READ_LINE) {
        byteFollows = true;
        return {};
    }
    // The hex dump of one byte read: "0000: XX" then the byte as a character.
    if (byteFollows && line.size() >= 8 && line.compare(0, 6, "0000: ") == 0) {
        byteFollows = false;
        bytes.push_back((uint8_t)strtoul(line.substr(6, 2).c_str(), nullptr, 16));
        return {};
    }
    byteFollows = false;
    return {line};
}

std::vector<std::string> RequestView::RequestEnded(const std::string& packetLine, uint32_t wanted,
                                                   bool timeLimitPassed)
{
    std::vector<std::string> lines;
    if (!bytes.empty()) {
        lines.push_back("Read " + std::to_string(bytes.size()) + (bytes.size() == 1 ? " byte:" : " bytes:"));
        const std::vector<std::string> block = DescribeRequestBytes(bytes, wanted, timeLimitPassed);
        lines.insert(lines.end(), block.begin(), block.end());
    }
    lines.push_back(packetLine);
    bytes.clear();
    return lines;
}
