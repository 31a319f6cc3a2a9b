# The frame scanner's and the packet collector's own tests: pure logic, run
# natively (tests/native).
ardun_add_native_test(native_packet_collector_test packet_collector_test.cpp)
ardun_add_native_test(native_frame_scanner_test frame_scanner_test.cpp)
