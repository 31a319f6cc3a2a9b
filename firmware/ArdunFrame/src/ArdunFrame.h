/* ArdunFrame: sends one Ardun frame from device firmware so that the
 * ArdunParser plug-in reads it whole, as soon as it is on the wire, and so
 * that a reader that began listening anywhere in the stream, or lost or
 * gained a byte on the line, is back in step after at most one misread
 * packet.
 * C99, compiles as C and as C++; no allocation, no dependency.
 *
 * What one call writes, for a payload of n bytes (1 to 255: the host asks for
 * n in one byte; a 0-byte frame is written too, but no host request can
 * collect it, and a longer payload is refused):
 *
 *   55 | FF 00 | payload, every FF sent as FF FF | 55 | 55 | 55 x k
 *   lead  frame start                              end  spare fill
 *
 * k is the index (1 to n-1) of the last payload byte 0x00 that follows a
 * payload byte 0xFF, and 0 when the payload holds no such pair.
 *
 * Why each byte is there, from the way the plug-in reads. Each host request
 * (a Write of P,n or a Read of n bytes) reads the line one byte at a time
 * from where the request before it stopped, waits for the frame start, stores
 * n payload bytes and then reads one byte more, which it drops; only that
 * byte ends the request. A frame start counts only when its 0x00 is the
 * third byte of the request or later. Outside a frame, any 0xFF followed by
 * 0x00 is a frame start, and a payload pair FF 00 goes out as FF FF 00.
 *
 * - lead (0x55): puts the frame start's 0x00 at the third byte of a request
 *   that begins right before the frame, on a quiet line (the first request
 *   after the host opens the port) or right after the previous frame's end
 *   byte. Without it the reader skips a frame start that comes first.
 * - end (0x55): the byte the reader reads past the payload. Sent at once, it
 *   ends the request that collected the frame one byte time after the frame,
 *   instead of when the next frame begins (a whole frame period late), or
 *   after the port's 300 ms read time-out when nothing follows.
 * - spare (0x55): when a byte of the frame is lost on the line, the request
 *   takes the end byte as payload and this one as its extra byte, and the next
 *   request still starts ahead of the next lead byte, in step.
 * - fill (k bytes of 0x55): a reader that began inside a payload (the first
 *   request after Open, or after a garbled frame start) can take a pair FF 00
 *   of the data for a frame start. It then stores the rest of the payload and
 *   as many bytes after it as the pair's index plus one, and reads one more.
 *   The end, spare and fill bytes are k + 2 bytes, enough for the last pair
 *   (and so for any earlier one): that request, the one misread packet, ends
 *   before the next lead byte, and the next request is in step again. So a
 *   misreading never lasts longer than one packet, whatever the payloads hold.
 * - 0x55 for all of them: neither the marker 0xFF nor 0x00, so no frame start
 *   can form in or with them, after a payload that ends in 0xFF either. A
 *   reader in step takes the end byte as its extra byte (as long as the host
 *   asks for n bytes, the payload length), and its next request passes over
 *   the spare and fill bytes while it looks for the next frame start.
 *
 * Cost on the wire: n + 5 bytes, plus one per payload 0xFF, plus k. A
 * payload without the pair FF 00 costs no fill at all.
 */
#ifndef ARDUN_FRAME_H
#define ARDUN_FRAME_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The plug-in's reader takes its frame bytes from here too. */
#define ARDUNFRAME_MARKER 0xFF     /* starts a frame (with 0x00); doubled in the payload */
#define ARDUNFRAME_START 0x00      /* follows the marker at a frame start */
#define ARDUNFRAME_FILL 0x55       /* the lead, end, spare and fill bytes */
/* The most a host can ask for in its request: the count travels in one byte. */
#define ARDUNFRAME_LARGEST_REQUEST 255
/* The longest payload sent: a longer one is refused. Only a test bench that
 * frames longer payloads on purpose sets it. */
#ifndef ARDUNFRAME_MAX_PAYLOAD
#define ARDUNFRAME_MAX_PAYLOAD ARDUNFRAME_LARGEST_REQUEST
#endif
/* The frame is gathered on the stack in pieces of this many bytes, each
 * handed to the output in one call. */
#define ARDUNFRAME_CHUNK_BYTES 32

/* Sends count bytes down the line and returns how many it took; fewer than
 * count ends the frame there. context is the pointer given to
 * ArdunFrameWriteChunks, passed through untouched. */
typedef size_t (*ArdunFrameChunkWriter)(const uint8_t* bytes, size_t count, void* context);

/* Sends one byte down the line. context is the pointer given to
 * ArdunFrameWrite, passed through untouched. */
typedef void (*ArdunFrameByteWriter)(uint8_t byte, void* context);

/* Writes the frame of the length bytes at payload (any data: an array, a
 * struct), with the bytes around it, in pieces of at most
 * ARDUNFRAME_CHUNK_BYTES through write. payload may be null when length is 0.
 * Returns the number of bytes write took: ArdunFrameLength(payload, length)
 * when the whole frame went out, fewer when write took less than it was
 * given (nothing more is written then), and 0 when the payload is longer than
 * ARDUNFRAME_MAX_PAYLOAD (nothing is written). */
size_t ArdunFrameWriteChunks(const void* payload, size_t length, ArdunFrameChunkWriter write, void* context);

/* The same, one byte at a time through writeByte, which takes every byte:
 * returns the frame's length, or 0 for a payload that is too long. */
size_t ArdunFrameWrite(const void* payload, size_t length, ArdunFrameByteWriter writeByte, void* context);

/* The bytes the frame of this payload takes on the wire, those around it
 * included; 0 when the payload is longer than ARDUNFRAME_MAX_PAYLOAD. */
size_t ArdunFrameLength(const void* payload, size_t length);

#ifdef __cplusplus
}

/* A chunk writer for any output with Arduino's write(const uint8_t*, size_t),
 * which returns the bytes it took: Print, Stream and all their kinds. */
template <typename Output>
size_t ArdunFrameWriteChunkTo(const uint8_t* bytes, size_t count, void* output)
{
    return static_cast<Output*>(output)->write(bytes, count);
}
#endif

#if defined(__cplusplus) && defined(ARDUINO)
#include <Arduino.h>

/* Whether an object is its own bytes. GCC before 5 (the toolchain of some
 * older ARM cores) lacks __is_trivially_copyable but has the older pair. */
#if defined(__clang__) || (defined(__GNUC__) && __GNUC__ >= 5)
#define ARDUNFRAME_IS_OWN_BYTES(Type) __is_trivially_copyable(Type)
#else
#define ARDUNFRAME_IS_OWN_BYTES(Type) (__has_trivial_copy(Type) && __has_trivial_destructor(Type))
#endif

/* Arduino: writes the frame to any Print or Stream, such as Serial, Serial1
 * or a SoftwareSerial, and returns the bytes it took (see
 * ArdunFrameWriteChunks). */
inline size_t ArdunFrameWrite(Print& out, const void* payload, size_t length)
{
    return ArdunFrameWriteChunks(payload, length, ArdunFrameWriteChunkTo<Print>, &out);
}

/* Arduino: writes any object, such as a struct or an array, as the payload:
 * ArdunFrameWrite(Serial, reading) sends sizeof reading bytes. A string
 * literal is an array too: ArdunFrameWrite(Serial, "hello") sends 6 bytes,
 * its closing NUL included.
 * Only an object that is its own bytes can go out this way, and only one
 * that a host can ask for in full; the compiler's own built-in tells the
 * first, as AVR has no <type_traits>. */
template <typename Object>
inline size_t ArdunFrameWrite(Print& out, const Object& object)
{
    static_assert(
        ARDUNFRAME_IS_OWN_BYTES(Object),
        "ArdunFrameWrite(out, object) sends an object's own bytes, and this object has its own copy "
        "(an Arduino String, say), so its bytes are not its data. For a String write "
        "ArdunFrameWrite(out, text.c_str(), text.length()); for another class, "
        "ArdunFrameWrite(out, pointer, length) with its data");
    static_assert(
        sizeof(Object) <= ARDUNFRAME_MAX_PAYLOAD,
        "ArdunFrameWrite(out, object): this object is longer than 255 bytes, which no host can ask for. "
        "Send it in pieces, one frame each: ArdunFrameWrite(out, pointer, length) with a length "
        "of at most 255");
    return ArdunFrameWrite(out, &object, sizeof object);
}

/* A pointer would send the pointer's own bytes, never what it points at. */
template <typename Object>
inline size_t ArdunFrameWrite(Print&, Object* const&)
{
    static_assert(sizeof(Object*) == 0,
                  "ArdunFrameWrite(out, pointer) would send the pointer itself, not the data it points at: "
                  "give the length, ArdunFrameWrite(out, pointer, length); for a text, "
                  "ArdunFrameWrite(out, text, strlen(text))");
    return 0;
}
#endif

#endif /* ARDUN_FRAME_H */
