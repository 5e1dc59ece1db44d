# Pure-logic libraries (no <windows.h>) build for every target. In the native
# build with clang they come in three flavours:
#   NAME       optimised, for the packer and the benchmarks;
#   NAME_san   with AddressSanitizer and UndefinedBehaviorSanitizer, for unit tests;
#   NAME_fuzz  instrumented for libFuzzer as well, for the fuzz targets.
set(VYRLA_SAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
set(VYRLA_FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

if(NOT WIN32 AND NOT EMSCRIPTEN AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    set(VYRLA_SANITIZERS ON)
else()
    set(VYRLA_SANITIZERS OFF)
endif()

function(vyrla_add_pure_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
    if(VYRLA_SANITIZERS)
        foreach(flavour san fuzz)
            add_library(${name}_${flavour} STATIC ${ARG_SOURCES})
            target_include_directories(${name}_${flavour} PUBLIC ${PROJECT_SOURCE_DIR})
            set(deps "")
            foreach(dep ${ARG_DEPENDS})
                list(APPEND deps ${dep}_${flavour})
            endforeach()
            target_link_libraries(${name}_${flavour} PUBLIC ${deps})
        endforeach()
        target_compile_options(${name}_san PUBLIC ${VYRLA_SAN_FLAGS})
        target_link_options(${name}_san PUBLIC -fsanitize=address,undefined)
        target_compile_options(${name}_fuzz PUBLIC ${VYRLA_FUZZ_FLAGS})
        target_link_options(${name}_fuzz PUBLIC -fsanitize=fuzzer,address,undefined)
    endif()
endfunction()

# A Win32 part of the player: a static library with the repo root as its
# include root, linking what it names.
function(vyrla_add_win32_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()
