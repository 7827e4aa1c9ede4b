# Programs built the way an MSVC game is built (msvc-mode/flags.cmake, which
# the toolchain file msvc-mode-i686.cmake shares), inside this build: linked
# against the MSVC-mode runtime, optionally tesmaclient.lib, and mingw-w64's
# import libraries for the system DLLs.

include(${CMAKE_CURRENT_LIST_DIR}/msvc-mode/flags.cmake)
find_program(TESMA_CLANG clang REQUIRED)
file(GLOB TESMA_PUBLIC_HEADERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/include/kz/tesmaclient/*.h)
list(APPEND TESMA_PUBLIC_HEADERS ${TESMA_GENERATED_INCLUDE_DIR}/kz/tesmaclient/Version.h)
set(TESMA_MSVC_FLAGS --target=${TESMA_MSVC_MODE_TARGET} ${TESMA_MSVC_MODE_CXX_FLAGS} -std=c++17
    -I${PROJECT_SOURCE_DIR}/include -I${TESMA_GENERATED_INCLUDE_DIR})
# C sources as C89, as strict as a C game's compiler may be.
set(TESMA_MSVC_C_FLAGS --target=${TESMA_MSVC_MODE_TARGET} ${TESMA_MSVC_MODE_C_FLAGS} -std=c89 -Wall -Wextra
    -Wpedantic -Werror -I${PROJECT_SOURCE_DIR}/include -I${TESMA_GENERATED_INCLUDE_DIR})
set(TESMA_MSVC_RUNTIME ${CMAKE_BINARY_DIR}/lib/msvc-mode-runtime.lib)

# Compiles each source into directory/<its name>.obj; the objects' paths go to
# the variable objects.
function(tesma_msvc_compile objects directory)
    cmake_parse_arguments(ARG "" "" "SOURCES;OPTIONS;DEPENDS" ${ARGN})
    set(result)
    foreach(source ${ARG_SOURCES})
        get_filename_component(base ${source} NAME_WE)
        get_filename_component(extension ${source} LAST_EXT)
        if(extension STREQUAL ".c")
            set(flags ${TESMA_MSVC_C_FLAGS})
        else()
            set(flags ${TESMA_MSVC_FLAGS})
        endif()
        set(object ${directory}/${base}.obj)
        add_custom_command(
            OUTPUT ${object}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${directory}
            COMMAND ${TESMA_CLANG} ${flags} ${ARG_OPTIONS} -MD -MF ${object}.d -c ${source} -o ${object}
            DEPENDS ${source} ${ARG_DEPENDS}
            DEPFILE ${object}.d
            VERBATIM)
        list(APPEND result ${object})
    endforeach()
    set(${objects} ${result} PARENT_SCOPE)
endfunction()

# The runtime, built once, optimized as a shipped runtime is.
function(tesma_msvc_runtime)
    if(TARGET tesma_msvc_runtime)
        return()
    endif()
    tesma_msvc_compile(objects ${CMAKE_BINARY_DIR}/msvc-mode-runtime SOURCES ${TESMA_MSVC_MODE_RUNTIME_SOURCES}
                       OPTIONS -O2)
    add_custom_command(
        OUTPUT ${TESMA_MSVC_RUNTIME}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
        COMMAND ${CMAKE_COMMAND} -E rm -f ${TESMA_MSVC_RUNTIME}
        COMMAND ${TESMA_MSVC_MODE_LLD_LINK} /lib /out:${TESMA_MSVC_RUNTIME} ${objects}
        DEPENDS ${objects}
        VERBATIM)
    add_custom_target(tesma_msvc_runtime DEPENDS ${TESMA_MSVC_RUNTIME})
endfunction()

# tesma_msvc_program(name OUTPUT path SOURCES src... [DLL] [OPTIMIZE -O1] [INCLUDES dir...] [DEFINES def...]
#                    [LINK_TESMACLIENT])
# A console program that defines main, or with DLL a library with an import
# library beside its objects. Optimized as games ship, -O2, unless OPTIMIZE
# says otherwise.
function(tesma_msvc_program name)
    cmake_parse_arguments(ARG "LINK_TESMACLIENT;DLL" "OUTPUT;OPTIMIZE" "SOURCES;INCLUDES;DEFINES" ${ARGN})
    if(NOT ARG_OPTIMIZE)
        set(ARG_OPTIMIZE -O2)
    endif()
    tesma_msvc_runtime()
    set(options ${ARG_OPTIMIZE} -I${PROJECT_SOURCE_DIR}/tests/support/msvc)
    foreach(dir ${ARG_INCLUDES})
        list(APPEND options -I${dir})
    endforeach()
    foreach(define ${ARG_DEFINES})
        list(APPEND options -D${define})
    endforeach()
    tesma_msvc_compile(objects ${CMAKE_CURRENT_BINARY_DIR}/${name} SOURCES ${ARG_SOURCES} OPTIONS ${options}
                       DEPENDS ${TESMA_PUBLIC_HEADERS})
    set(libs ${TESMA_MSVC_RUNTIME} ${TESMA_MSVC_MODE_SYSTEM_LIBRARIES})
    set(deps ${objects} ${TESMA_MSVC_RUNTIME})
    if(ARG_LINK_TESMACLIENT)
        list(PREPEND libs ${TESMA_MSVC_IMPORT_LIBRARY})
        list(APPEND deps tesmaclient_beside_tests ${TESMA_MSVC_IMPORT_LIBRARY})
    endif()
    if(ARG_DLL)
        get_filename_component(base ${ARG_OUTPUT} NAME_WE)
        set(kind ${TESMA_MSVC_MODE_DLL_LINK_FLAGS} /implib:${CMAKE_CURRENT_BINARY_DIR}/${name}/${base}.lib)
    else()
        set(kind ${TESMA_MSVC_MODE_PROGRAM_LINK_FLAGS})
    endif()
    get_filename_component(output_dir ${ARG_OUTPUT} DIRECTORY)
    add_custom_command(
        OUTPUT ${ARG_OUTPUT}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
        COMMAND ${TESMA_MSVC_MODE_LLD_LINK} ${kind} ${TESMA_MSVC_MODE_LINK_FLAGS} /out:${ARG_OUTPUT} ${objects}
                ${libs}
        DEPENDS ${deps}
        VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${ARG_OUTPUT})
    add_dependencies(${name} tesma_msvc_runtime)
endfunction()
