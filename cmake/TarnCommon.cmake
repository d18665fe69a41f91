# Build settings shared by every part of the project.
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

if(WIN32)
    # Wine needs no DLLs of the toolchain beside our own binaries this way,
    # and regsvr32 can load the COM server.
    add_link_options(-static)
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
    if(CMAKE_CROSSCOMPILING)
        # Every Windows test runs under Wine with a private display and a
        # private prefix inside this build folder.
        set(TARN_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
        set(TARN_WINE_RUNNER ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)
        if(CMAKE_SIZEOF_VOID_P EQUAL 4)
            set(TARN_WINE_ARCH x86)
        else()
            set(TARN_WINE_ARCH x64)
        endif()
        set(CMAKE_CROSSCOMPILING_EMULATOR
            ${TARN_WINE_RUNNER} --prefix ${TARN_WINEPREFIX} --arch ${TARN_WINE_ARCH})
    endif()
else()
    option(TARN_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
    if(TARN_SANITIZE)
        add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                            -fno-sanitize-recover=all)
        add_link_options(-fsanitize=address,undefined)
    endif()
endif()

# Our own code is built with warnings as errors; third-party code is not.
function(tarn_strict target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                             -Wnon-virtual-dtor -Werror)
endfunction()
