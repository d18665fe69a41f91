# Writes the registry rows of Drafthand.dll as a WiX include, read from the
# IDL so that the package registers exactly the identifiers the type library
# carries (the same keys DllRegisterServer writes).
#
#   cmake -DIDL=Drafthand.idl -DOUT=drafthand-registry.wxi -DPLATFORM=win64|win32 -P ...
#
# The include expects the File id "Drafthand.dll" and the directory INSTALLDIR.
foreach(required IDL OUT PLATFORM)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "drafthand_registry.cmake: ${required} is not set")
    endif()
endforeach()

file(READ ${IDL} idl)
# Every attributed library, interface and coclass: "[attributes] kind Name".
string(REGEX MATCHALL "\\[[^]]*\\][ \t\r\n]*(library|interface|coclass)[ \t\r\n]+[A-Za-z_][A-Za-z0-9_]*"
       blocks "${idl}")

set(library_name "")
set(interfaces "")
set(classes "")
foreach(block IN LISTS blocks)
    if(NOT block MATCHES "uuid\\(([0-9A-Fa-f-]+)\\)")
        continue() # "[default] interface X" inside a coclass
    endif()
    string(TOUPPER "{${CMAKE_MATCH_1}}" guid)
    string(REGEX MATCH "(library|interface|coclass)[ \t\r\n]+([A-Za-z0-9_]+)$" _ "${block}")
    set(kind ${CMAKE_MATCH_1})
    set(name ${CMAKE_MATCH_2})
    if(kind STREQUAL "library")
        set(library_name ${name})
        set(library_guid ${guid})
        if(NOT block MATCHES "version\\(([0-9]+)\\.([0-9]+)\\)")
            message(FATAL_ERROR "${IDL}: the library has no version")
        endif()
        set(library_version "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}")
        set(library_lcid 0)
        if(block MATCHES "lcid\\(0x([0-9A-Fa-f]+)\\)")
            # The key is the locale in hex without leading zeros.
            math(EXPR library_lcid "0x${CMAKE_MATCH_1}" OUTPUT_FORMAT HEXADECIMAL)
            string(REGEX REPLACE "^0x" "" library_lcid ${library_lcid})
        endif()
        set(library_help "")
        if(block MATCHES "helpstring\\(\"([^\"]*)\"\\)")
            set(library_help "${CMAKE_MATCH_1}")
        endif()
    elseif(kind STREQUAL "interface")
        # Only automation interfaces get registered with the type library.
        if(block MATCHES "(dual|oleautomation)")
            list(APPEND interfaces "${name}=${guid}")
        endif()
    elseif(NOT block MATCHES "noncreatable")
        list(APPEND classes "${name}=${guid}")
    endif()
endforeach()
if(library_name STREQUAL "" OR interfaces STREQUAL "" OR classes STREQUAL "")
    message(FATAL_ERROR "${IDL}: no library, automation interface or creatable class found")
endif()

# The type library's own marshaller for dual and automation interfaces.
set(automation_marshaller "{00020424-0000-0000-C000-000000000046}")

set(rows "")
# key(PATH [NAME VALUE]...): one registry key with its values; the name "@"
# stands for the key's default value.
function(key path)
    set(text "    <RegistryKey Root=\"HKCR\" Key=\"${path}\">\n")
    math(EXPR last "${ARGC} - 1")
    foreach(i RANGE 1 ${last} 2)
        math(EXPR j "${i} + 1")
        set(name "${ARGV${i}}")
        set(content "${ARGV${j}}")
        if(name STREQUAL "@")
            string(APPEND text "        <RegistryValue Type=\"string\" Value=\"${content}\"/>\n")
        else()
            string(APPEND text
                   "        <RegistryValue Name=\"${name}\" Type=\"string\" Value=\"${content}\"/>\n")
        endif()
    endforeach()
    string(APPEND text "    </RegistryKey>\n")
    set(rows "${rows}${text}" PARENT_SCOPE)
endfunction()

foreach(entry IN LISTS classes)
    string(REGEX REPLACE "=.*" "" name "${entry}")
    string(REGEX REPLACE ".*=" "" guid "${entry}")
    set(progid "${library_name}.${name}")
    set(class_key "CLSID\\${guid}")
    key("${class_key}" @ "${progid}")
    key("${class_key}\\InprocServer32" @ "[#Drafthand.dll]" ThreadingModel Apartment)
    key("${class_key}\\ProgID" @ "${progid}")
    key("${class_key}\\VersionIndependentProgID" @ "${progid}")
    key("${class_key}\\TypeLib" @ "${library_guid}")
    key("${class_key}\\Version" @ "${library_version}")
    key("${class_key}\\Programmable" @ "")
    key("${progid}" @ "${progid}")
    key("${progid}\\CLSID" @ "${guid}")
endforeach()

set(typelib_key "TypeLib\\${library_guid}\\${library_version}")
key("${typelib_key}" @ "${library_help}")
key("${typelib_key}\\${library_lcid}\\${PLATFORM}" @ "[#Drafthand.dll]")
# Wine's type library marshaler (clients in a multithreaded apartment) looks
# the library up under the neutral locale only.
key("${typelib_key}\\0\\${PLATFORM}" @ "[#Drafthand.dll]")
key("${typelib_key}\\FLAGS" @ "0")
key("${typelib_key}\\HELPDIR" @ "[INSTALLDIR]")

foreach(entry IN LISTS interfaces)
    string(REGEX REPLACE "=.*" "" name "${entry}")
    string(REGEX REPLACE ".*=" "" guid "${entry}")
    set(interface_key "Interface\\${guid}")
    key("${interface_key}" @ "${name}")
    key("${interface_key}\\ProxyStubClsid" @ "${automation_marshaller}")
    key("${interface_key}\\ProxyStubClsid32" @ "${automation_marshaller}")
    key("${interface_key}\\TypeLib" @ "${library_guid}" Version "${library_version}")
endforeach()

file(WRITE ${OUT}.tmp "<?xml version=\"1.0\" encoding=\"utf-8\"?>
<!-- Generated from ${IDL}; do not edit. -->
<Include>
${rows}</Include>
")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.tmp)
