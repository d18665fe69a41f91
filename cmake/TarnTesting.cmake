# GoogleTest from Debian's source package for all three builds, and helpers
# that register tests so that Windows tests run serially in the build's Wine
# prefix (the runner stops that prefix's wineserver after every test).
enable_testing()
set(TARN_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${TARN_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Where 32-bit programs cannot run, the x86 tests run in an emulated machine
# (scripts/test-x86-vm.sh), several times slower than here.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(tarn_default_test_timeout 1200)
else()
    set(tarn_default_test_timeout 300)
endif()
set(TARN_TEST_TIMEOUT ${tarn_default_test_timeout} CACHE STRING "Seconds a test may take")

function(tarn_test_properties test_name)
    if(WIN32)
        # 77: the runner could not run this architecture on this machine.
        set_tests_properties(${test_name} PROPERTIES RESOURCE_LOCK wineprefix
                                                     TIMEOUT ${TARN_TEST_TIMEOUT}
                                                     SKIP_RETURN_CODE 77)
    else()
        set_tests_properties(${test_name} PROPERTIES TIMEOUT ${TARN_TEST_TIMEOUT})
    endif()
endfunction()

# tarn_add_gtest(NAME SOURCES... [LIBS libs...])
function(tarn_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    tarn_strict(${name})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    tarn_test_properties(${name})
endfunction()

# A Windows test that is a shell script: it runs inside the Wine runner, so it
# finds WINEPREFIX, DISPLAY and the locale set, and may call wine itself.
function(tarn_add_wine_script_test name script)
    if(NOT (WIN32 AND CMAKE_CROSSCOMPILING))
        return()
    endif()
    add_test(NAME ${name}
             COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} ${script} ${ARGN})
    tarn_test_properties(${name})
endfunction()
