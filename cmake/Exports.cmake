# tesmaclient.dll and its import libraries.
#
# tesmaclient.def lists each name a game imports: MSVC's decorated names, each
# mapped to our member, and GCC's names of the same members. The build fails
# when the names drift from what an MSVC-mode compile and a MinGW GCC compile
# of the public header demand.

set(TESMA_DEF ${PROJECT_SOURCE_DIR}/src/tesmaclient.def)

# The checks call llvm-nm, llvm-undname, llvm-readobj, llvm-pdbutil,
# llvm-objdump, c++filt, objdump and windres by name; finding them here fails
# the configuration early instead of the build.
find_program(TESMA_LLVM_NM llvm-nm REQUIRED)
find_program(TESMA_LLVM_DLLTOOL llvm-dlltool REQUIRED)
find_program(TESMA_LLVM_UNDNAME llvm-undname REQUIRED)
find_program(TESMA_MINGW_DLLTOOL i686-w64-mingw32-dlltool REQUIRED)
find_program(TESMA_MINGW_GXX i686-w64-mingw32-g++ REQUIRED)
find_program(TESMA_MINGW_CXXFILT i686-w64-mingw32-c++filt REQUIRED)
find_program(TESMA_MINGW_OBJDUMP i686-w64-mingw32-objdump REQUIRED)
find_program(TESMA_LLVM_READOBJ llvm-readobj REQUIRED)
find_program(TESMA_LLVM_OBJDUMP llvm-objdump REQUIRED)
find_program(TESMA_LLVM_PDBUTIL llvm-pdbutil REQUIRED)
find_program(TESMA_LLVM_STRIP llvm-strip REQUIRED)
find_program(TESMA_MINGW_WINDRES i686-w64-mingw32-windres REQUIRED)

if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "tesmaclient.dll is built with clang for its PDB: use cmake/clang-i686-mingw.cmake")
endif()

# All of tesma_core goes in, since the exports name its members; lld's MinGW
# driver takes --whole-archive, but not the --push-state CMake wraps it in.
set(CMAKE_CXX_LINK_LIBRARY_USING_WHOLE_ARCHIVE "LINKER:--whole-archive" "<LINK_ITEM>" "LINKER:--no-whole-archive")
set(CMAKE_CXX_LINK_LIBRARY_USING_WHOLE_ARCHIVE_SUPPORTED TRUE)
# The version resource carries the project's version.
enable_language(RC)
configure_file(${PROJECT_SOURCE_DIR}/src/tesmaclient.rc.in ${CMAKE_CURRENT_BINARY_DIR}/tesmaclient.rc @ONLY)
add_library(tesmaclient SHARED ${PROJECT_SOURCE_DIR}/src/launcher/Win32SystemCalls.cpp ${TESMA_DEF}
            ${CMAKE_CURRENT_BINARY_DIR}/tesmaclient.rc)
target_link_libraries(tesmaclient PRIVATE $<LINK_LIBRARY:WHOLE_ARCHIVE,tesma_core>)
set_target_properties(tesmaclient PROPERTIES PREFIX "" IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a")
# Nothing in the library throws (see Allocate.h); unreferenced code, such as the
# text type's std::string conveniences, is left out.
target_compile_options(tesma_core PRIVATE -fno-exceptions -ffunction-sections -fdata-sections)
target_compile_options(tesmaclient PRIVATE -fno-exceptions)
target_link_options(tesmaclient PRIVATE -Wl,--gc-sections)
# Debug information as CodeView, gathered by lld into tesmaclient.pdb beside the
# DLL, which names it without a directory so that a debugger looks beside the
# DLL and in its symbol path. The DLL itself is stripped.
target_compile_options(tesma_core PRIVATE -gcodeview)
target_compile_options(tesmaclient PRIVATE -gcodeview)
target_link_options(tesmaclient PRIVATE -Wl,--pdb=$<TARGET_FILE_DIR:tesmaclient>/tesmaclient.pdb
                    -Wl,-Xlink=-pdbaltpath:%_PDB%)
add_custom_command(TARGET tesmaclient POST_BUILD
    COMMAND ${TESMA_LLVM_STRIP} --strip-all $<TARGET_FILE:tesmaclient>
    VERBATIM)

set(TESMA_EXPORTS_DIR ${CMAKE_BINARY_DIR}/exports)
file(MAKE_DIRECTORY ${TESMA_EXPORTS_DIR})

# The names a game needs, from a translation unit that uses every member,
# compiled in MSVC mode and by MinGW's GCC.
add_custom_command(
    OUTPUT ${TESMA_EXPORTS_DIR}/UseEveryExport.obj
    COMMAND ${TESMA_CLANG} ${TESMA_MSVC_FLAGS} -c ${PROJECT_SOURCE_DIR}/tests/abi/UseEveryExport.cpp
            -o ${TESMA_EXPORTS_DIR}/UseEveryExport.obj
    DEPENDS ${PROJECT_SOURCE_DIR}/tests/abi/UseEveryExport.cpp ${TESMA_PUBLIC_HEADERS}
    VERBATIM)
add_custom_command(
    OUTPUT ${TESMA_EXPORTS_DIR}/UseEveryExport.o
    COMMAND ${TESMA_MINGW_GXX} -std=c++17 -I${PROJECT_SOURCE_DIR}/include -I${TESMA_GENERATED_INCLUDE_DIR}
            -c ${PROJECT_SOURCE_DIR}/tests/abi/UseEveryExport.cpp -o ${TESMA_EXPORTS_DIR}/UseEveryExport.o
    DEPENDS ${PROJECT_SOURCE_DIR}/tests/abi/UseEveryExport.cpp ${TESMA_PUBLIC_HEADERS}
    VERBATIM)

# The checks and the two import libraries: lib/tesmaclient.lib for MSVC-style
# linkers, lib/libtesmaclient.dll.a for MinGW's.
add_custom_command(
    OUTPUT ${TESMA_EXPORTS_DIR}/checked.stamp ${CMAKE_BINARY_DIR}/lib/tesmaclient.lib
           ${CMAKE_BINARY_DIR}/lib/libtesmaclient.dll.a
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/check-exports.sh ${TESMA_DEF} ${TESMA_EXPORTS_DIR}/UseEveryExport.obj
            ${TESMA_EXPORTS_DIR}/UseEveryExport.o $<TARGET_FILE:tesmaclient> ${TESMA_EXPORTS_DIR}
            ${PROJECT_SOURCE_DIR}/include/kz/tesmaclient/tesmaclient_c.h
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/check-runtime.sh $<TARGET_FILE:tesmaclient>
            ${PROJECT_SOURCE_DIR}/cmake/tesmaclient-imports.txt $<TARGET_FILE_DIR:tesmaclient>/tesmaclient.pdb
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/check-fast-paths.sh $<TARGET_FILE:tesmaclient>
            $<TARGET_FILE_DIR:tesmaclient>/tesmaclient.pdb
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/check-metadata.sh $<TARGET_FILE:tesmaclient>
            $<TARGET_FILE_DIR:tesmaclient>/tesmaclient.pdb ${PROJECT_VERSION}
    COMMAND ${TESMA_LLVM_DLLTOOL} -m i386 -D tesmaclient.dll -d ${TESMA_EXPORTS_DIR}/imports-msvc.def
            -l ${CMAKE_BINARY_DIR}/lib/tesmaclient.lib
    COMMAND ${TESMA_MINGW_DLLTOOL} -D tesmaclient.dll -d ${TESMA_EXPORTS_DIR}/imports-gnu.def
            -l ${CMAKE_BINARY_DIR}/lib/libtesmaclient.dll.a
    COMMAND ${CMAKE_COMMAND} -E touch ${TESMA_EXPORTS_DIR}/checked.stamp
    DEPENDS ${TESMA_DEF} ${TESMA_EXPORTS_DIR}/UseEveryExport.obj ${TESMA_EXPORTS_DIR}/UseEveryExport.o tesmaclient
            ${PROJECT_SOURCE_DIR}/cmake/check-exports.sh ${PROJECT_SOURCE_DIR}/cmake/c-functions.sh
            ${PROJECT_SOURCE_DIR}/cmake/check-runtime.sh
            ${PROJECT_SOURCE_DIR}/cmake/check-fast-paths.sh
            ${PROJECT_SOURCE_DIR}/cmake/check-metadata.sh
            ${PROJECT_SOURCE_DIR}/cmake/tesmaclient-imports.txt
    VERBATIM)
add_custom_target(tesmaclient_exports ALL DEPENDS ${TESMA_EXPORTS_DIR}/checked.stamp)
