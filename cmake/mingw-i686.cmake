# The plug-in as users get it: 32-bit Windows, run under Wine for the tests.
set(ARDUN_MINGW_PROCESSOR i686)
set(ARDUN_MINGW_TRIPLE i686-w64-mingw32)
# The wrapper starts the 32-bit loader where it is installed.
set(ARDUN_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
