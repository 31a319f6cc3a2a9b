/* ArdunFrame: one Ardun frame and the bytes around it (see ArdunFrame.h). */
#include "ArdunFrame.h"

/* Bytes of the lead, end and spare byte (the fill comes on top). */
enum { LEAD_BYTES = 1, END_AND_SPARE_BYTES = 2 };

/* The index of the last payload 0x00 that follows a payload 0xFF, or 0: how
 * far a reader that took such a pair for a frame start reads past the
 * payload, less the end and spare bytes. */
static size_t LastPairIndex(const uint8_t* payload, size_t length)
{
    size_t index;
    for (index = length; index > 1; --index) {
        if (payload[index - 2] == ARDUNFRAME_MARKER && payload[index - 1] == ARDUNFRAME_START)
            return index - 1;
    }
    return 0;
}

static void WriteFill(size_t count, ArdunFrameByteWriter writeByte, void* context)
{
    size_t i;
    for (i = 0; i < count; ++i)
        writeByte(ARDUNFRAME_FILL, context);
}

size_t ArdunFrameWrite(const uint8_t* payload, size_t length, ArdunFrameByteWriter writeByte, void* context)
{
    const size_t tail = END_AND_SPARE_BYTES + LastPairIndex(payload, length);
    size_t written = LEAD_BYTES + 2 + length + tail;
    size_t i;

    WriteFill(LEAD_BYTES, writeByte, context);
    writeByte(ARDUNFRAME_MARKER, context);
    writeByte(ARDUNFRAME_START, context);
    for (i = 0; i < length; ++i) {
        writeByte(payload[i], context);
        if (payload[i] == ARDUNFRAME_MARKER) {
            writeByte(ARDUNFRAME_MARKER, context); /* a single marker would be dropped */
            ++written;
        }
    }
    WriteFill(tail, writeByte, context);
    return written;
}
