# libFuzzer build (clang): the portable cores instrumented for coverage under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets. The
# unit tests belong to the native build, so the test helpers add nothing here.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TARN_FUZZ needs clang: -DCMAKE_CXX_COMPILER=clang++")
endif()
add_compile_options(-fsanitize=fuzzer-no-link)

function(tarn_add_gtest)
endfunction()
function(tarn_add_wine_script_test)
endfunction()

# tarn_add_fuzzer(NAME SOURCES... [LIBS libs...])
function(tarn_add_fuzzer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    tarn_strict(${name})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
endfunction()
