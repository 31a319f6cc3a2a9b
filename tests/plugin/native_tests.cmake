# The host's activity as the plug-in publishes it: pure logic, run natively
# (tests/native).
ardun_add_native_test(native_host_activity_ring_test host_activity_ring_test.cpp watcher_presence_test.cpp)
