# Programs built the way an MSVC game is built: clang in MSVC mode, no runtime
# of their own, linked by lld-link against tesmaclient.lib and mingw-w64's
# import libraries for the system DLLs.

find_program(TESMA_CLANG clang REQUIRED)
find_program(TESMA_LLD_LINK lld-link REQUIRED)
file(GLOB TESMA_PUBLIC_HEADERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/include/kz/tesmaclient/*.h)
list(APPEND TESMA_PUBLIC_HEADERS ${TESMA_GENERATED_INCLUDE_DIR}/kz/tesmaclient/Version.h)
set(TESMA_MSVC_FLAGS --target=i686-pc-windows-msvc -std=c++17 -fno-exceptions -fno-rtti -fno-stack-protector
    -I${PROJECT_SOURCE_DIR}/include -I${TESMA_GENERATED_INCLUDE_DIR})
# C sources as C89, as strict as a C game's compiler may be.
set(TESMA_MSVC_C_FLAGS --target=i686-pc-windows-msvc -std=c89 -Wall -Wextra -Wpedantic -Werror -fno-stack-protector
    -I${PROJECT_SOURCE_DIR}/include -I${TESMA_GENERATED_INCLUDE_DIR})
set(TESMA_MINGW_LIB /usr/i686-w64-mingw32/lib)
set(TESMA_MSVC_SYSTEM_LIBS ${TESMA_MINGW_LIB}/libmsvcrt.a ${TESMA_MINGW_LIB}/libkernel32.a
    ${TESMA_MINGW_LIB}/libadvapi32.a)

# tesma_msvc_program(name OUTPUT path SOURCES src... [INCLUDES dir...] [OPTIMIZE -O1] [LINK_TESMACLIENT])
# Optimized as games ship, -O2, unless OPTIMIZE says otherwise.
function(tesma_msvc_program name)
    cmake_parse_arguments(ARG "LINK_TESMACLIENT;DLL" "OUTPUT;OPTIMIZE" "SOURCES;INCLUDES;DEFINES" ${ARGN})
    if(NOT ARG_OPTIMIZE)
        set(ARG_OPTIMIZE -O2)
    endif()
    set(objects)
    set(includes -I${PROJECT_SOURCE_DIR}/include -I${PROJECT_SOURCE_DIR}/tests/support/msvc)
    foreach(dir ${ARG_INCLUDES})
        list(APPEND includes -I${dir})
    endforeach()
    set(defines)
    foreach(define ${ARG_DEFINES})
        list(APPEND defines -D${define})
    endforeach()
    foreach(source ${ARG_SOURCES})
        get_filename_component(base ${source} NAME_WE)
        get_filename_component(extension ${source} LAST_EXT)
        if(extension STREQUAL ".c")
            set(flags ${TESMA_MSVC_C_FLAGS})
        else()
            set(flags ${TESMA_MSVC_FLAGS})
        endif()
        set(object ${CMAKE_CURRENT_BINARY_DIR}/${name}/${base}.obj)
        add_custom_command(
            OUTPUT ${object}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/${name}
            COMMAND ${TESMA_CLANG} ${flags} ${ARG_OPTIMIZE} ${includes} ${defines} -MD -MF ${object}.d -c ${source}
                    -o ${object}
            DEPENDS ${source} ${TESMA_PUBLIC_HEADERS}
            DEPFILE ${object}.d
            VERBATIM)
        list(APPEND objects ${object})
    endforeach()
    set(libs ${TESMA_MSVC_SYSTEM_LIBS})
    set(deps ${objects})
    if(ARG_LINK_TESMACLIENT)
        list(PREPEND libs ${TESMA_MSVC_IMPORT_LIBRARY})
        list(APPEND deps tesmaclient_beside_tests ${TESMA_MSVC_IMPORT_LIBRARY})
    endif()
    if(ARG_DLL)
        get_filename_component(base ${ARG_OUTPUT} NAME_WE)
        set(kind /dll /entry:DllMainCRTStartup /implib:${CMAKE_CURRENT_BINARY_DIR}/${name}/${base}.lib)
    else()
        set(kind /entry:mainCRTStartup /subsystem:console)
    endif()
    get_filename_component(output_dir ${ARG_OUTPUT} DIRECTORY)
    add_custom_command(
        OUTPUT ${ARG_OUTPUT}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
        COMMAND ${TESMA_LLD_LINK} ${kind} /nodefaultlib /safeseh:no /out:${ARG_OUTPUT} ${objects} ${libs}
        DEPENDS ${deps}
        VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${ARG_OUTPUT})
endfunction()
