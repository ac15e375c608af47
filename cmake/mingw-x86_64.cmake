# The same program as a 64-bit Windows build: Debian's mingw-w64 for x86_64. It exists so the
# Windows code can be tested under 64-bit Wine on machines whose kernel runs no 32-bit programs.
set(TESSELLUNE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TESSELLUNE_WINE_BITS 64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
