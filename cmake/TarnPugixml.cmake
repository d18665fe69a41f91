# pugixml as the target tarn_pugixml. The native build links Debian's
# libpugixml-dev; the Windows and fuzz builds compile the sources of Debian's
# source package (fetched with apt-get source into this build folder, through
# the deb-src entry scripts/setup.sh adds), since the binary package holds
# only a Linux library.
add_library(tarn_pugixml INTERFACE)
if(NOT WIN32 AND NOT TARN_FUZZ)
    find_package(pugixml REQUIRED)
    if(TARN_SANITIZE)
        target_link_libraries(tarn_pugixml INTERFACE pugixml::pugixml)
    else()
        # The optimised builds link it in, as they do the C++ runtime (see cli/).
        target_link_libraries(tarn_pugixml INTERFACE pugixml::static)
    endif()
    return()
endif()

set(tarn_pugixml_dir ${CMAKE_BINARY_DIR}/pugixml-src)
file(GLOB tarn_pugixml_source ${tarn_pugixml_dir}/pugixml-*/src/pugixml.cpp)
if(NOT tarn_pugixml_source)
    file(MAKE_DIRECTORY ${tarn_pugixml_dir})
    execute_process(COMMAND apt-get source --download-only pugixml
                    WORKING_DIRECTORY ${tarn_pugixml_dir}
                    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE error)
    file(GLOB tarball ${tarn_pugixml_dir}/pugixml_*.orig.tar.gz)
    if(NOT status EQUAL 0 OR NOT tarball)
        message(FATAL_ERROR "apt-get source pugixml failed (run scripts/setup.sh): ${error}")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E tar xzf ${tarball}
                    WORKING_DIRECTORY ${tarn_pugixml_dir} RESULT_VARIABLE status)
    file(GLOB tarn_pugixml_source ${tarn_pugixml_dir}/pugixml-*/src/pugixml.cpp)
    if(NOT status EQUAL 0 OR NOT tarn_pugixml_source)
        message(FATAL_ERROR "pugixml's source package has no src/pugixml.cpp")
    endif()
endif()
get_filename_component(tarn_pugixml_include ${tarn_pugixml_source} DIRECTORY)
add_library(tarn_pugixml_static STATIC ${tarn_pugixml_source})
target_include_directories(tarn_pugixml_static SYSTEM PUBLIC ${tarn_pugixml_include})
target_link_libraries(tarn_pugixml INTERFACE tarn_pugixml_static)
