# Cross-compiles the same programs as 64-bit Windows executables with Debian's
# mingw-w64: qalm-uninstall64.exe, which the 32-bit program starts on 64-bit
# Windows, and qalm-check64.exe. The Wine suite runs them too: machines that
# run 64-bit code only cannot start 32-bit Wine.
set(MINGW_W64_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
