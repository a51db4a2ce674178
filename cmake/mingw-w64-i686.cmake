# Cross-compiles the 32-bit Windows executable with Debian's mingw-w64.
set(MINGW_W64_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
