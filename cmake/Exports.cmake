# tesmaclient.dll and its import libraries.
#
# tesmaclient.def maps each MSVC decorated name, which a game imports, to the
# symbol GCC gives the same member. The build fails when the names drift from
# what an MSVC-mode compile of the public header demands.

set(TESMA_DEF ${PROJECT_SOURCE_DIR}/src/tesmaclient.def)

add_library(tesmaclient SHARED ${PROJECT_SOURCE_DIR}/src/launcher/Win32SystemCalls.cpp ${TESMA_DEF})
target_link_libraries(tesmaclient PRIVATE $<LINK_LIBRARY:WHOLE_ARCHIVE,tesma_core>)
set_target_properties(tesmaclient PROPERTIES PREFIX "" IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a")

# check-exports.sh calls llvm-nm, llvm-undname, c++filt and objdump by name;
# finding them here fails the configuration early instead of the build.
find_program(TESMA_LLVM_NM llvm-nm REQUIRED)
find_program(TESMA_LLVM_DLLTOOL llvm-dlltool REQUIRED)
find_program(TESMA_LLVM_UNDNAME llvm-undname REQUIRED)
find_program(TESMA_MINGW_DLLTOOL i686-w64-mingw32-dlltool REQUIRED)
find_program(TESMA_MINGW_CXXFILT i686-w64-mingw32-c++filt REQUIRED)
find_program(TESMA_MINGW_OBJDUMP i686-w64-mingw32-objdump REQUIRED)

set(TESMA_EXPORTS_DIR ${CMAKE_BINARY_DIR}/exports)
file(MAKE_DIRECTORY ${TESMA_EXPORTS_DIR})

# The names an MSVC game needs, from a translation unit that uses every member.
add_custom_command(
    OUTPUT ${TESMA_EXPORTS_DIR}/UseEveryExport.obj
    COMMAND ${TESMA_CLANG} ${TESMA_MSVC_FLAGS} -c ${PROJECT_SOURCE_DIR}/tests/abi/UseEveryExport.cpp
            -o ${TESMA_EXPORTS_DIR}/UseEveryExport.obj
    DEPENDS ${PROJECT_SOURCE_DIR}/tests/abi/UseEveryExport.cpp ${TESMA_PUBLIC_HEADERS}
    VERBATIM)

# The check and the two import libraries: tesmaclient.lib for MSVC-style
# linkers, libtesmaclient_gnu.a for our own GCC-built test programs, which
# reach the decorated exports under GCC's names.
add_custom_command(
    OUTPUT ${TESMA_EXPORTS_DIR}/checked.stamp ${CMAKE_BINARY_DIR}/bin/tesmaclient.lib
           ${CMAKE_BINARY_DIR}/lib/libtesmaclient_gnu.a
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/check-exports.sh ${TESMA_DEF} ${TESMA_EXPORTS_DIR}/UseEveryExport.obj
            $<TARGET_FILE:tesmaclient> ${TESMA_EXPORTS_DIR}
    COMMAND ${TESMA_LLVM_DLLTOOL} -m i386 -D tesmaclient.dll -d ${TESMA_EXPORTS_DIR}/imports-msvc.def
            -l ${CMAKE_BINARY_DIR}/bin/tesmaclient.lib
    COMMAND ${TESMA_MINGW_DLLTOOL} -D tesmaclient.dll -d ${TESMA_EXPORTS_DIR}/imports-gnu.def
            -l ${CMAKE_BINARY_DIR}/lib/libtesmaclient_gnu.a
    COMMAND ${CMAKE_COMMAND} -E touch ${TESMA_EXPORTS_DIR}/checked.stamp
    DEPENDS ${TESMA_DEF} ${TESMA_EXPORTS_DIR}/UseEveryExport.obj tesmaclient
            ${PROJECT_SOURCE_DIR}/cmake/check-exports.sh
    VERBATIM)
add_custom_target(tesmaclient_exports ALL DEPENDS ${TESMA_EXPORTS_DIR}/checked.stamp)

# GCC-built programs that call the DLL link this.
add_library(tesmaclient_import INTERFACE)
add_dependencies(tesmaclient_import tesmaclient_exports)
target_include_directories(tesmaclient_import INTERFACE ${PROJECT_SOURCE_DIR}/include)
target_link_libraries(tesmaclient_import INTERFACE ${CMAKE_BINARY_DIR}/lib/libtesmaclient_gnu.a)
