# The tools' pure logic, run natively (tests/native).
ardun_add_native_test(native_text_batch_test text_batch_test.cpp)
ardun_add_native_test(native_line_queue_test line_queue_test.cpp)
ardun_add_native_test(native_frame_length_meter_test frame_length_meter_test.cpp)
# A test file for each piece.
ardun_add_native_test(native_tools_logic_test
    number_argument_test.cpp
    hex_bytes_test.cpp
    sim_payload_test.cpp
    send_tally_test.cpp
    line_noise_test.cpp
    packet_line_test.cpp
    request_view_test.cpp)
ardun_add_native_test(native_near_rate_choice_test near_rate_choice_test.cpp)
ardun_add_native_test(native_host_watch_test host_watch_test.cpp)
