# What both Windows cross builds share: Debian's mingw-w64 (the -posix variant, which gives
# std::thread), a static runtime so each .exe needs only system DLLs, and test programs that run
# under Wine. The including file sets TESSELLUNE_MINGW_TRIPLE, CMAKE_SYSTEM_PROCESSOR and
# TESSELLUNE_WINE_BITS.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TESSELLUNE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSELLUNE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSELLUNE_MINGW_TRIPLE}-windres)

# The system's mingw libraries, and those scripts/windows-deps builds (libmpg123).
get_filename_component(TESSELLUNE_WINDOWS_DEPS "${CMAKE_CURRENT_LIST_DIR}/../build/deps/${TESSELLUNE_MINGW_TRIPLE}" ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH /usr/${TESSELLUNE_MINGW_TRIPLE} ${TESSELLUNE_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread go into the executable instead of DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Static zlib (the tests' independent PNG encoder), so no zlib DLL has to travel with them.
set(ZLIB_USE_STATIC_LIBS ON)

# Test programs run through Wine, in a prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run ${TESSELLUNE_WINE_BITS})
