# Sourced by every script that uses the virtual COM ports: their numbers, and
# the plug-in's settings file that names one of them. The numbers come from
# the environment where it sets them, so a machine with other ports can move
# them; the defaults below are the only ones (the test programs' fallbacks are
# read from this file when they are built).
ARDUN_TEST_PORT_A=${ARDUN_TEST_PORT_A:-9}      # host side of the first pair
ARDUN_TEST_PORT_B=${ARDUN_TEST_PORT_B:-10}     # its device side
ARDUN_TEST_PORT_C=${ARDUN_TEST_PORT_C:-11}     # host side of the second pair
ARDUN_TEST_PORT_D=${ARDUN_TEST_PORT_D:-12}     # its device side
ARDUN_TEST_PORT_BAD=${ARDUN_TEST_PORT_BAD:-13} # can never be opened
ARDUN_TEST_PORT_UNO=${ARDUN_TEST_PORT_UNO:-14} # the emulated Arduino Uno
ARDUN_TEST_PORT_E=${ARDUN_TEST_PORT_E:-15}     # host side of the pair whose line overruns
ARDUN_TEST_PORT_F=${ARDUN_TEST_PORT_F:-16}     # its device side, which is never slowed
# That pair's driver input buffer at the host side, in bytes (a pty keeps 4095 at most).
ARDUN_TEST_LINE_BUFFER=${ARDUN_TEST_LINE_BUFFER:-4096}

# write_settings_file FILE DEVICE_PATH: the 25-byte settings file the plug-in
# reads, the device path zero-padded.
write_settings_file() {
    { printf '%s' "$2"; head -c 25 /dev/zero; } | head -c 25 > "$1"
}
