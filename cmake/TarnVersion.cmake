# One version for every program and library: the project version, written
# into a Windows version resource by tarn_version_resource.
set(TARN_COMPANY "tarn developers")
set(TARN_PRODUCT "tarn")

# tarn_version_resource(TARGET DESCRIPTION "text")
# Gives a Windows executable or DLL the version resource of the project, with
# its own file description (UTF-8, Japanese allowed). No-op off Windows.
function(tarn_version_resource target)
    cmake_parse_arguments(ARG "" "DESCRIPTION" "" ${ARGN})
    if(NOT WIN32)
        return()
    endif()
    get_target_property(kind ${target} TYPE)
    if(kind STREQUAL "SHARED_LIBRARY")
        set(TARN_FILE_TYPE VFT_DLL)
        set(TARN_FILE_SUFFIX .dll)
    else()
        set(TARN_FILE_TYPE VFT_APP)
        set(TARN_FILE_SUFFIX .exe)
    endif()
    get_target_property(output_name ${target} OUTPUT_NAME)
    if(NOT output_name)
        set(output_name ${target})
    endif()
    set(TARN_FILE_NAME ${output_name})
    set(TARN_FILE_DESCRIPTION "${ARG_DESCRIPTION}")
    # For the test that reads the resources back.
    set_target_properties(${target} PROPERTIES TARN_FILE_DESCRIPTION "${ARG_DESCRIPTION}")
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
