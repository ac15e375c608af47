# The 32-bit Windows program: Debian's mingw-w64 for i686.
set(TESSELLUNE_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TESSELLUNE_WINE_BITS 32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
