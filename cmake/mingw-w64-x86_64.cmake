# 64-bit Windows (x64), built and tested beside the x86 build.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TERVOLIN_MINGW_TARGET x86_64-w64-mingw32)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake")
