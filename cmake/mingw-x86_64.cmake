# The 64-bit twin: the same sources for x86_64 Windows, a test vehicle for
# machines that cannot run 32-bit programs; never packaged.
set(ARDUN_MINGW_PROCESSOR x86_64)
set(ARDUN_MINGW_TRIPLE x86_64-w64-mingw32)
# The wrapper `wine` would prefer the 32-bit loader whenever it is installed.
set(ARDUN_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
