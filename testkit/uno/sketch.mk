# Builds one Arduino sketch for the Arduino Uno with Debian's arduino-mk and
# Arduino core: make -C SKETCH_FOLDER -f sketch.mk OBJDIR=OUT TARGET=NAME
# USER_LIB_PATH=FOLDER_OF_LIBRARIES. Everything it writes goes to OBJDIR; the
# libraries a sketch includes are found by their headers.
ARDUINO_DIR = /usr/share/arduino
BOARD_TAG ?= uno
ARDUINO_QUIET = 1
# Debian's core (1.8.7) uses DECIMAL_DIG, which avr-gcc 5.4's float.h
# defines for C only.
CXXFLAGS += -DDECIMAL_DIG=__DECIMAL_DIG__
include /usr/share/arduino/Arduino.mk
