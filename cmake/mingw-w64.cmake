# Cross build for Windows with Debian's MinGW-w64 (posix threads); programs run under Wine.
# Shared by the two architecture files, which set TERVOLIN_MINGW_TARGET and the processor first.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TERVOLIN_MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TERVOLIN_MINGW_TARGET}-g++-posix)
set(CMAKE_RC_COMPILER ${TERVOLIN_MINGW_TARGET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TERVOLIN_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine")
