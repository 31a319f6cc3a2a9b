# The device library ArdunFrame, run natively (tests/native).
ardun_add_native_test(native_ardun_frame_test ardun_frame_test.cpp)
ardun_add_native_test(native_ardun_frame_output_test ardun_frame_output_test.cpp)
# Its Arduino calls, over a stand-in for the little of the core they use
# (testkit/arduino_core): the library's own sources built for it.
ardun_add_native_test(native_ardun_frame_arduino_test ardun_frame_arduino_test.cpp
    ${ARDUN_DEVICE_LIBRARY_SOURCE} ${ARDUN_SOURCE_DIR}/firmware/frame_bytes.cpp)
target_compile_definitions(native_ardun_frame_arduino_test PRIVATE ARDUINO=10807)
target_include_directories(native_ardun_frame_arduino_test PRIVATE ${ARDUN_SOURCE_DIR}/testkit/arduino_core)

# The library as the Arduino tools take it: its metadata by the Arduino library
# rules, and every example built for three boards (and its C source for a
# Cortex-M) with Debian's Arduino core, which prints what each costs.
add_test(NAME arduino_library_metadata
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/check-library.sh ${ARDUN_SOURCE_DIR}/firmware/ArdunFrame)
add_test(NAME arduino_examples_build
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/build-examples.sh ${ARDUN_SOURCE_DIR} ${CMAKE_BINARY_DIR}/examples)
set_tests_properties(arduino_examples_build PROPERTIES TIMEOUT 300)
# What ArdunFrameWrite(out, object) cannot send (a String, a flash text, a
# 300-byte array, a pointer, NULL) must not build for the Uno, and its one
# message must name the fix.
add_test(NAME arduino_write_refusals
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/check-write-refusals.sh ${ARDUN_SOURCE_DIR} ${CMAKE_BINARY_DIR}/refusals)
set_tests_properties(arduino_write_refusals PROPERTIES TIMEOUT 120)
