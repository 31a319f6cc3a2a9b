# The pure logic: the code without windows.h that the DLL, the tools, the
# native tests and the fuzz targets share (the emulated Uno's sketches take
# the device library's files from here). Each of those builds includes this
# file and makes the libraries with its own compiler and flags, from this one
# list:
#   ardun_add_pure_library([DEVICE_MAX_PAYLOAD n])   the static library ardun_pure
#   ardun_add_pure_testkit()    ardun_pure_testkit: the test kit's pure models
#                               of lines and frames, over ardun_pure
set(ARDUN_SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/..")
cmake_path(NORMAL_PATH ARDUN_SOURCE_DIR)

# The device library ArdunFrame as the Arduino tools take it: its metadata,
# headers and C source.
set(ARDUN_DEVICE_LIBRARY_FILES
    ${ARDUN_SOURCE_DIR}/firmware/ArdunFrame/library.properties
    ${ARDUN_SOURCE_DIR}/firmware/ArdunFrame/src/ArdunFrame.h
    ${ARDUN_SOURCE_DIR}/firmware/ArdunFrame/src/ArdunFrameTypes.h
    ${ARDUN_SOURCE_DIR}/firmware/ArdunFrame/src/ArdunFrame.c)
set(ARDUN_DEVICE_LIBRARY_SOURCE ${ARDUN_SOURCE_DIR}/firmware/ArdunFrame/src/ArdunFrame.c)

set(ARDUN_PURE_SOURCES
    common/bounded_text.cpp
    common/path_beside.cpp
    common/result_codes.cpp
    firmware/ArdunFrame/src/ArdunFrame.c
    firmware/frame_bytes.cpp
    parser/frame_scanner.cpp
    plugin/host_activity_area.cpp
    plugin/host_activity_ring.cpp
    plugin/watcher_presence.cpp
    serial/com_port_path.cpp
    serial/hex_dump_line.cpp
    settings/port_number.cpp
    settings/settings_path.cpp
    tools/cli/command_line_start.cpp
    tools/cli/hex_bytes.cpp
    tools/cli/number_argument.cpp
    tools/cli/result_code_text.cpp
    tools/meter/frame_length_meter.cpp
    tools/sim/line_noise.cpp
    tools/sim/send_tally.cpp
    tools/sim/sim_payload.cpp
    tools/trace/find/near_rate_choice.cpp
    tools/trace/session/packet_line.cpp
    tools/trace/session/request_view.cpp
    tools/trace/watch/host_watch.cpp
    tools/trace/watch/queue_arrivals.cpp
    tools/trace/window/line_queue.cpp
    tools/trace/window/text_batch.cpp)

set(ARDUN_PURE_TESTKIT_SOURCES
    testkit/frame_stream.cpp
    testkit/host_line_model.cpp
    testkit/scripted_line.cpp
    testkit/uart_buffer_model.cpp
    testkit/uart_rate_model.cpp)

function(ardun_add_pure_library)
    cmake_parse_arguments(ARG "" "DEVICE_MAX_PAYLOAD" "" ${ARGN})
    set(sources ${ARDUN_PURE_SOURCES})
    list(TRANSFORM sources PREPEND "${ARDUN_SOURCE_DIR}/")
    add_library(ardun_pure STATIC ${sources})
    target_include_directories(ardun_pure PUBLIC ${ARDUN_SOURCE_DIR})
    # Device firmware keeps the library's own limit; a build that frames
    # payloads longer than any request, to try the reader's bound on its
    # buffer, raises it for the library and every file that includes it.
    if(ARG_DEVICE_MAX_PAYLOAD)
        target_compile_definitions(ardun_pure PUBLIC ARDUNFRAME_MAX_PAYLOAD=${ARG_DEVICE_MAX_PAYLOAD})
    endif()
endfunction()

function(ardun_add_pure_testkit)
    set(sources ${ARDUN_PURE_TESTKIT_SOURCES})
    list(TRANSFORM sources PREPEND "${ARDUN_SOURCE_DIR}/")
    add_library(ardun_pure_testkit STATIC ${sources})
    target_link_libraries(ardun_pure_testkit PUBLIC ardun_pure)
endfunction()
