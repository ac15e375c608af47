# The browser build: Debian's emscripten toolchain. TESSELLUNE_WEB_THREADS (the presets set it)
# chooses shared memory with one worker per processor, or the build for pages that are not
# cross-origin isolated, which has no threads. TESSELLUNE_WEB_SIMD compiles the SSE paths to
# WebAssembly SIMD; the build without it is for browsers that lack SIMD.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
option(TESSELLUNE_WEB_THREADS "Browser build with threads (needs a cross-origin isolated page)" ON)
if(TESSELLUNE_WEB_THREADS)
    # Every object must use shared memory for the program to.
    set(CMAKE_C_FLAGS_INIT "-pthread")
    set(CMAKE_CXX_FLAGS_INIT "-pthread")
    set(CMAKE_EXE_LINKER_FLAGS_INIT "-pthread")
endif()
option(TESSELLUNE_WEB_SIMD "Browser build with WebAssembly SIMD (the SSE paths)" ON)
