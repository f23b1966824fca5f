# 32-bit Windows (x86): the build users run, since the camera vendor's driver library is 32-bit.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TERVOLIN_MINGW_TARGET i686-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")
