# Cross-compiles for Windows with MinGW-w64 (posix threads), for the processor
# and compiler prefix that the including toolchain file sets
# (ARDUN_MINGW_PROCESSOR, ARDUN_MINGW_TRIPLE), and names the Wine loader that
# runs the resulting programs (ARDUN_WINE_LOADER).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ARDUN_MINGW_PROCESSOR})

set(CMAKE_C_COMPILER ${ARDUN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ARDUN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ARDUN_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ARDUN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
