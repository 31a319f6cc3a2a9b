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

static int Refused(const void* payload, size_t length)
{
    return length > ARDUNFRAME_MAX_PAYLOAD || (payload == NULL && length > 0);
}

size_t ArdunFrameLength(const void* payload, size_t length)
{
    const uint8_t* bytes = (const uint8_t*)payload;
    size_t frameLength;
    size_t i;

    if (Refused(payload, length))
        return 0;
    frameLength = LEAD_BYTES + 2 + length + END_AND_SPARE_BYTES + LastPairIndex(bytes, length);
    for (i = 0; i < length; ++i)
        frameLength += bytes[i] == ARDUNFRAME_MARKER;
    return frameLength;
}

/* The frame's bytes gather here and leave a chunk at a time, so that an
 * output pays its per-call cost (a USB packet, a lock) once per chunk rather
 * than once per byte. Once the output takes less than it was given, nothing
 * more is handed to it. */
struct Chunk {
    uint8_t bytes[ARDUNFRAME_CHUNK_BYTES];
    size_t used;
    size_t accepted;
    int stopped;
    ArdunFrameChunkWriter write;
    void* context;
};

static void Flush(struct Chunk* chunk)
{
    if (chunk->used > 0 && !chunk->stopped) {
        const size_t taken = chunk->write(chunk->bytes, chunk->used, chunk->context);
        chunk->accepted += taken < chunk->used ? taken : chunk->used;
        chunk->stopped = taken < chunk->used;
    }
    chunk->used = 0;
}

static void Put(struct Chunk* chunk, uint8_t byte)
{
    if (chunk->used == sizeof chunk->bytes)
        Flush(chunk);
    chunk->bytes[chunk->used++] = byte;
}

static void PutFill(struct Chunk* chunk, size_t count)
{
    size_t i;
    for (i = 0; i < count && !chunk->stopped; ++i)
        Put(chunk, ARDUNFRAME_FILL);
}

size_t ArdunFrameWriteChunks(const void* payload, size_t length, ArdunFrameChunkWriter write, void* context)
{
    const uint8_t* bytes = (const uint8_t*)payload;
    struct Chunk chunk;
    size_t i;

    if (Refused(payload, length))
        return 0;
    chunk.used = 0;
    chunk.accepted = 0;
    chunk.stopped = 0;
    chunk.write = write;
    chunk.context = context;

    PutFill(&chunk, LEAD_BYTES);
    Put(&chunk, ARDUNFRAME_MARKER);
    Put(&chunk, ARDUNFRAME_START);
    for (i = 0; i < length && !chunk.stopped; ++i) {
        Put(&chunk, bytes[i]);
        if (bytes[i] == ARDUNFRAME_MARKER)
            Put(&chunk, ARDUNFRAME_MARKER); /* a single marker would be dropped */
    }
    PutFill(&chunk, END_AND_SPARE_BYTES + LastPairIndex(bytes, length));
    Flush(&chunk);
    return chunk.accepted;
}

/* A byte writer seen as a chunk writer that takes every byte. */
struct ByteWriter {
    ArdunFrameByteWriter writeByte;
    void* context;
};

static size_t WriteEachByte(const uint8_t* bytes, size_t count, void* byteWriter)
{
    const struct ByteWriter* to = (const struct ByteWriter*)byteWriter;
    size_t i;
    for (i = 0; i < count; ++i)
        to->writeByte(bytes[i], to->context);
    return count;
}

size_t ArdunFrameWrite(const void* payload, size_t length, ArdunFrameByteWriter writeByte, void* context)
{
    struct ByteWriter to;
    to.writeByte = writeByte;
    to.context = context;
    return ArdunFrameWriteChunks(payload, length, WriteEachByte, &to);
}
