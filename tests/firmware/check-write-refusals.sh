#!/bin/bash
# Builds small sketches for the Arduino Uno with arduino-mk: the library's
# ArdunFrameWrite(out, object) must refuse, at build time, at the sketch's
# line and with one message that names the fix, what it cannot send as bytes
# (an Arduino String or a struct holding one, a flash text, an array longer
# than a host can ask for, a pointer, NULL or nullptr), and must take a
# struct, an array, a string literal, a text with its length, a text in a
# fixed-size array (as the library's README shows), a volatile struct or
# array and a number that is no variable, without a warning.
#   check-write-refusals.sh SOURCE_DIR OUT_DIR
set -uo pipefail
source_dir=$1
out=$2
makefile="$source_dir/testkit/uno/sketch.mk"
status=0
fail() { echo "FAIL: $*"; status=1; }

# name | the text the compiler must print, or "builds" | the body of loop()
cases=(
    "Builds|builds|
        struct Reading { uint16_t sequence; int16_t value; } reading = {1, 2};
        uint8_t bytes[255] = {0xFF, 0x00};
        String text = \"hello\";
        ArdunFrameWrite(Serial, reading);
        ArdunFrameWrite(Serial, bytes);
        ArdunFrameWrite(Serial, \"hello\");
        ArdunFrameWrite(Serial, text.c_str(), text.length());
        char line[16] = {0};
        strncpy(line, text.c_str(), sizeof line);
        ArdunFrameWrite(Serial, line);
        ArdunFrameWrite(Serial, bytes, sizeof bytes);
        static volatile Reading shared;
        static volatile uint8_t samples[4];
        ArdunFrameWrite(Serial, shared);
        ArdunFrameWrite(Serial, samples);
        ArdunFrameWrite(Serial, analogRead(A0));"
    "WholeString|static assertion failed: ArdunFrameWrite(out, string) cannot send a String|
        String text = \"hello\";
        ArdunFrameWrite(Serial, text);"
    "StringInStruct|static assertion failed: ArdunFrameWrite(out, object) cannot send this object: it holds a String|
        struct Reading { uint16_t sequence; String text; } reading;
        ArdunFrameWrite(Serial, reading);"
    "FlashText|static assertion failed: ArdunFrameWrite(out, F(\"...\")) cannot read a text in flash|
        ArdunFrameWrite(Serial, F(\"hello\"));"
    "LongArray|static assertion failed: ArdunFrameWrite(out, object): this object is longer than 255 bytes|
        static uint8_t bytes[300];
        ArdunFrameWrite(Serial, bytes);"
    "Pointer|static assertion failed: ArdunFrameWrite(out, pointer) would send the pointer itself|
        static uint8_t bytes[4];
        uint8_t* pointer = bytes;
        ArdunFrameWrite(Serial, pointer);"
    "Nullptr|static assertion failed: ArdunFrameWrite(out, NULL) or nullptr has no data to send|
        ArdunFrameWrite(Serial, nullptr);"
    "Null|static assertion failed: ArdunFrameWrite(out, NULL) or nullptr has no data to send|
        ArdunFrameWrite(Serial, NULL);"
)
# The fix each refusal names, by case.
declare -A fix=(
    [WholeString]="Send the text in a fixed char array inside your struct"
    [StringInStruct]="Send the text in a fixed char array inside your struct"
    [FlashText]="strncpy_P(text, PSTR(\"...\"), sizeof text); ArdunFrameWrite(out, text)"
    [LongArray]="ArdunFrameWrite(out, pointer, length)"
    [Pointer]="ArdunFrameWrite(out, pointer, length)"
    [Nullptr]="give the object, ArdunFrameWrite(out, reading)"
    [Null]="give the object, ArdunFrameWrite(out, reading)"
)

# One object folder for all: the core is built once, by the first case.
objdir="$out/build"
for case in "${cases[@]}"; do
    IFS='|' read -r name expected body <<< "${case//$'\n'/$'\x1f'}"
    body=${body//$'\x1f'/$'\n'}
    folder="$out/$name"
    mkdir -p "$folder" "$objdir"
    printf '#include <ArdunFrame.h>\nvoid setup() { Serial.begin(115200); }\nvoid loop()\n{%s\n}\n' \
        "$body" > "$folder/$name.ino"
    make -s -C "$folder" -f "$makefile" OBJDIR="$objdir" TARGET="$name" \
        USER_LIB_PATH="$source_dir/firmware" > "$folder/build.log" 2>&1
    built=$?
    if [ "$expected" = builds ]; then
        [ $built -eq 0 ] || { cat "$folder/build.log"; fail "$name does not build"; continue; }
        grep -E "(ArdunFrame|$name)[^ ]*:[0-9]+:[0-9]+: warning" "$folder/build.log" && fail "$name has warnings"
        continue
    fi
    [ $built -ne 0 ] || { fail "$name builds, and should not"; continue; }
    if ! grep -qF "$expected" "$folder/build.log" || ! grep -qF "${fix[$name]}" "$folder/build.log"; then
        cat "$folder/build.log"
        fail "$name is refused without the message naming ${fix[$name]}"
    fi
    # One error, shown where the sketch calls: no list of candidates.
    errors=$(grep -c "error:" "$folder/build.log")
    grep -qE "^$name.ino:[0-9]+:[0-9]+: +required from here" "$folder/build.log" && [ "$errors" -eq 1 ] ||
        { cat "$folder/build.log"; fail "$name is refused with $errors errors, or not at the sketch's line"; }
done

[ $status -eq 0 ] && echo "the Uno build refuses each of ${#fix[@]} sketches with one message naming the fix"
exit $status
