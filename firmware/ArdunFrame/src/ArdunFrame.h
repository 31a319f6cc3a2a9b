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

#include "ArdunFrameTypes.h"

/* Arduino: writes the frame to any Print or Stream, such as Serial, Serial1
 * or a SoftwareSerial, and returns the bytes it took (see
 * ArdunFrameWriteChunks). */
inline size_t ArdunFrameWrite(Print& out, const void* payload, size_t length)
{
    return ArdunFrameWriteChunks(payload, length, ArdunFrameWriteChunkTo<Print>, &out);
}

/* The object's bytes as they are, or, for a volatile object, a copy read a
 * byte at a time, as the frame writer reads plain memory. */
template <size_t Length>
inline size_t ArdunFrameWriteBytesAt(Print& out, const void* object)
{
    return ArdunFrameWrite(out, object, Length);
}
template <size_t Length>
inline size_t ArdunFrameWriteBytesAt(Print& out, const volatile void* object)
{
    const volatile uint8_t* from = static_cast<const volatile uint8_t*>(object);
    uint8_t copy[Length];
    for (size_t i = 0; i < Length; ++i)
        copy[i] = from[i];
    return ArdunFrameWrite(out, copy, Length);
}

/* Arduino: writes any object, such as a struct or an array, as the payload:
 * ArdunFrameWrite(Serial, reading) sends sizeof reading bytes. A string
 * literal is an array too: ArdunFrameWrite(Serial, "hello") sends 6 bytes,
 * its closing NUL included. A volatile object is copied first.
 * Only an object that is its own bytes can go out this way, and only one
 * that a host can ask for in full.
 * A number that is no variable goes through ArdunFrameNumber below, so that
 * NULL and 0, which are numbers too, find the refusal of a null pointer. */
template <typename Object, typename = typename ArdunFrameEnableIf<ArdunFrameTakesWhole<Object>::value>::type>
inline size_t ArdunFrameWrite(Print& out, Object&& object)
{
    typedef typename ArdunFrameBare<Object>::type Bare;
    static_assert(
        !ArdunFrameIsString<Bare>::value,
        "ArdunFrameWrite(out, string) cannot send a String: its bytes are a pointer to the text, not the "
        "text. Send the text in a fixed char array inside your struct: char text[16], filled with "
        "strncpy(reading.text, string.c_str(), sizeof reading.text)");
    static_assert(
        ArdunFrameIsString<Bare>::value || ARDUNFRAME_IS_OWN_BYTES(Bare),
        "ArdunFrameWrite(out, object) cannot send this object: it holds a String (or another class with "
        "its own copy), whose bytes are a pointer to the text, not the text. Send the text in a fixed "
        "char array inside your struct: char text[16] instead of String text");
    static_assert(
        sizeof(Bare) <= ARDUNFRAME_MAX_PAYLOAD,
        "ArdunFrameWrite(out, object): this object is longer than 255 bytes, which no host can ask for. "
        "Send it in pieces, one frame each: ArdunFrameWrite(out, pointer, length) with a length "
        "of at most 255");
    return ArdunFrameWriteBytesAt<sizeof(Bare)>(out, &object);
}

/* A number that is no variable, such as analogRead(A0), sent as its bytes. */
class ArdunFrameNumber {
public:
    template <typename Number>
    ArdunFrameNumber(const Number& number) : bytes_(&number), length_(sizeof number)
    {
    }
    const void* bytes() const { return bytes_; }
    size_t length() const { return length_; }

private:
    const void* bytes_;
    size_t length_;
};

inline size_t ArdunFrameWrite(Print& out, ArdunFrameNumber number)
{
    return ArdunFrameWrite(out, number.bytes(), number.length());
}

/* NULL, 0 and nullptr convert to this pointer, a better match for them than
 * the number above; a template so that the refusal fires only when chosen. */
struct ArdunFrameNoData;
template <typename Never = void>
inline size_t ArdunFrameWrite(Print&, ArdunFrameNoData*)
{
    static_assert(ArdunFrameNever<Never>::value,
                  "ArdunFrameWrite(out, NULL) or nullptr has no data to send: give the object, "
                  "ArdunFrameWrite(out, reading)");
    return 0;
}

/* A pointer would send the pointer's own bytes, never what it points at. */
template <typename Object>
inline size_t ArdunFrameWrite(Print&, Object* const&)
{
    typedef typename ArdunFrameBare<Object>::type Bare;
    static_assert(
        !ArdunFrameIsFlashText<Bare>::value,
        "ArdunFrameWrite(out, F(\"...\")) cannot read a text in flash: copy it into a char array first, "
        "char text[16]; strncpy_P(text, PSTR(\"...\"), sizeof text); ArdunFrameWrite(out, text)");
    static_assert(ArdunFrameIsFlashText<Bare>::value || sizeof(Object*) == 0,
                  "ArdunFrameWrite(out, pointer) would send the pointer itself, not the data it points at: "
                  "give the length, ArdunFrameWrite(out, pointer, length); for a text, "
                  "ArdunFrameWrite(out, text, strlen(text))");
    return 0;
}
#endif

#endif /* ARDUN_FRAME_H */
