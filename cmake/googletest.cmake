# GoogleTest for the including build: GTest::gtest and GTest::gtest_main.
# A native build takes Debian's package (libgtest-dev). The package's
# libraries are Linux ones that a Windows program cannot link, so a
# cross-compiled build makes its own from the sources Debian ships beside
# them (googletest), with this build's compiler.
if(CMAKE_CROSSCOMPILING)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
    find_package(GTest REQUIRED)
endif()
