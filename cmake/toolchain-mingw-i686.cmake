# Cross-compiling for Windows (i686) with Debian's mingw-w64.
set(VT_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
