# Compiler settings every target of the project shares.
add_library(tessellune_options INTERFACE)
target_compile_options(tessellune_options INTERFACE
    # Warnings are errors on every compiler and preset (gcc, clang, mingw-w64, emscripten): a
    # warning nobody has to fix is one nobody reads.
    -Wall -Wextra -Werror
    # Results must not depend on whether the compiler fuses a multiply and an add:
    # the SIMD and scalar paths are compared bit for bit.
    -ffp-contract=off
    # Records holding Vec4 are 16-byte aligned, and the compiler may use aligned SSE loads on them.
    # The compiler takes the aligned operator new only for types aligned beyond what it believes
    # plain new gives; the 32-bit toolchain believes 16, but 32-bit Windows' malloc gives only 8.
    # A threshold of 8 sends every new-expression and every standard container (std::allocator
    # asks the same question) of such records to the aligned form, on every target alike.
    $<$<COMPILE_LANGUAGE:CXX>:-faligned-new=8>)
# GCC's maybe-uninitialized analysis misfires under the sanitizers' instrumentation (in the
# standard library's own std::function and std::regex code, inlined into the tests); there it
# stays a warning, and the optimised builds, which the sanitizers do not touch, keep it an error.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_FLAGS MATCHES "-fsanitize")
    target_compile_options(tessellune_options INTERFACE -Wno-error=maybe-uninitialized)
endif()
# (emscripten's toolchain calls itself x86 too: the browser build gets SSE only as WebAssembly SIMD.)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86)$" AND NOT EMSCRIPTEN)
    # The 32-bit build keeps float maths in SSE registers, like the 64-bit one.
    target_compile_options(tessellune_options INTERFACE -msse2 -mfpmath=sse)
endif()
if(EMSCRIPTEN AND TESSELLUNE_WEB_SIMD)
    # The SSE paths through emscripten's SSE headers, as WebAssembly SIMD.
    target_compile_options(tessellune_options INTERFACE -msimd128 -msse2)
    target_link_options(tessellune_options INTERFACE -msimd128)
endif()
if(WIN32)
    # windows.h without its min/max macros and rarely used parts.
    target_compile_definitions(tessellune_options INTERFACE NOMINMAX WIN32_LEAN_AND_MEAN)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        # 32-bit Windows promises callbacks and thread entries only a 4-byte-aligned stack; the
        # 16-byte SSE values on the stack need it realigned where they live.
        target_compile_options(tessellune_options INTERFACE -mstackrealign)
    endif()
endif()

# Adds one static library of the project: tessellune_add_library(name SOURCES ... DEPENDS ...)
function(tessellune_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}")
    target_link_libraries(${name} PUBLIC tessellune_options ${ARG_DEPENDS})
endfunction()

# Adds one GoogleTest executable and registers its cases with CTest. Each runs with the
# misaligning operator new of tests/support, so that a record needing 16-byte alignment that
# plain new placed shows in every test build, as it would on 32-bit Windows.
# SERIAL keeps its cases from running beside any other test (they share a screen's display mode).
function(tessellune_add_test name)
    cmake_parse_arguments(ARG "SERIAL" "" "SOURCES;DEPENDS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE tessellune_options tessellune_misaligned_new GTest::gtest GTest::gtest_main
        ${ARG_DEPENDS})
    target_compile_definitions(${name} PRIVATE
        TESSELLUNE_SHARED_DIR="${TESSELLUNE_SHARED_DIR}"
        TESSELLUNE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        TESSELLUNE_BINARY_DIR="${CMAKE_BINARY_DIR}")
    # A label list must reach the test property as one value, so its separators are escaped.
    string(REPLACE ";" "\\;" labels "${ARG_LABELS}")
    set(serial FALSE)
    if(ARG_SERIAL)
        set(serial TRUE)
    endif()
    if(CMAKE_CROSSCOMPILING)
        # Cross-built tests are listed when CTest runs, so building never needs Wine.
        # A program that hangs under Wine fails after two minutes instead of stalling the run.
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 DISCOVERY_MODE PRE_TEST
            PROPERTIES LABELS "${labels}" TIMEOUT 120 RUN_SERIAL ${serial})
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${labels}" RUN_SERIAL ${serial})
    endif()
    # The ThreadSanitizer run builds only the test programs that hold threaded tests.
    if("threads" IN_LIST ARG_LABELS)
        if(NOT TARGET tessellune_threads_tests)
            add_custom_target(tessellune_threads_tests)
        endif()
        add_dependencies(tessellune_threads_tests ${name})
    endif()
endfunction()

# Adds one libFuzzer target: tessellune_add_fuzzer(name SOURCES ... DEPENDS ...). Its seed corpus
# lives in corpus/ beside its CMakeLists.txt; scripts/fuzz-smoke runs every target briefly.
function(tessellune_add_fuzzer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE tessellune_options ${ARG_DEPENDS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    if(NOT TARGET fuzzers)
        add_custom_target(fuzzers)
    endif()
    add_dependencies(fuzzers ${name})
    set_property(GLOBAL APPEND PROPERTY TESSELLUNE_FUZZERS "${name}|${CMAKE_BINARY_DIR}/${name}|${CMAKE_CURRENT_SOURCE_DIR}/corpus")
endfunction()
