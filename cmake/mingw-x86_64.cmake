# The 64-bit twin: the same sources cross-compiled for x86_64 Windows with
# MinGW-w64 (posix threads), run under the 64-bit Wine loader. A test vehicle
# for machines that cannot run 32-bit programs; never packaged.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The wrapper `wine` prefers the 32-bit loader whenever it is installed.
set(ARDUN_WINE_LOADER /usr/lib/wine/wine64)
