# tesmaclient.dll (i686) or tesmaclient64.dll (x86_64) and its import libraries.
#
# tesmaclient.def and tesmaclient64.def list each name a game imports: MSVC's
# decorated names, each mapped to our member, and GCC's names of the same
# members. The build fails when the names drift from what an MSVC-mode compile
# and a MinGW GCC compile of the public header for the same target demand.

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    # The launcher's library is 32-bit: this one reaches it through the host
    # process that lies beside it.
    set(TESMA_LIBRARY_NAME tesmaclient64)
    set(TESMA_TARGET_TRIPLE x86_64-w64-mingw32)
    set(TESMA_DLLTOOL_MACHINE i386:x86-64)
    target_compile_definitions(tesma_core PUBLIC KZ_TESMACLIENT_HOSTED=1)
else()
    set(TESMA_LIBRARY_NAME tesmaclient)
    set(TESMA_TARGET_TRIPLE i686-w64-mingw32)
    set(TESMA_DLLTOOL_MACHINE i386)
endif()
set(TESMA_DEF ${PROJECT_SOURCE_DIR}/src/${TESMA_LIBRARY_NAME}.def)
set(TESMA_IMPORTS ${PROJECT_SOURCE_DIR}/cmake/${TESMA_LIBRARY_NAME}-imports.txt)
set(TESMA_PDB ${TESMA_LIBRARY_NAME}.pdb)

# The checks call llvm-nm, llvm-undname, llvm-readobj, llvm-pdbutil,
# llvm-objdump, c++filt, objdump and windres by name; finding them here fails
# the configuration early instead of the build.
find_program(TESMA_LLVM_NM llvm-nm REQUIRED)
find_program(TESMA_LLVM_DLLTOOL llvm-dlltool REQUIRED)
find_program(TESMA_LLVM_UNDNAME llvm-undname REQUIRED)
find_program(TESMA_MINGW_DLLTOOL ${TESMA_TARGET_TRIPLE}-dlltool REQUIRED)
find_program(TESMA_MINGW_GXX ${TESMA_TARGET_TRIPLE}-g++ REQUIRED)
find_program(TESMA_MINGW_CXXFILT ${TESMA_TARGET_TRIPLE}-c++filt REQUIRED)
find_program(TESMA_MINGW_OBJDUMP ${TESMA_TARGET_TRIPLE}-objdump REQUIRED)
find_program(TESMA_LLVM_READOBJ llvm-readobj REQUIRED)
find_program(TESMA_LLVM_OBJDUMP llvm-objdump REQUIRED)
find_program(TESMA_LLVM_PDBUTIL llvm-pdbutil REQUIRED)
find_program(TESMA_LLVM_STRIP llvm-strip REQUIRED)
find_program(TESMA_MINGW_WINDRES ${TESMA_TARGET_TRIPLE}-windres REQUIRED)

if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "${TESMA_LIBRARY_NAME}.dll is built with clang for its PDB: use cmake/clang-i686-mingw.cmake \
or cmake/clang-x86_64-mingw.cmake")
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
set_target_properties(tesmaclient PROPERTIES PREFIX "" OUTPUT_NAME ${TESMA_LIBRARY_NAME} IMPORT_PREFIX "lib"
                      IMPORT_SUFFIX ".dll.a")
# Nothing in the library throws (see Allocate.h); unreferenced code, such as the
# text type's std::string conveniences, is left out.
target_compile_options(tesma_core PRIVATE -fno-exceptions -ffunction-sections -fdata-sections)
target_compile_options(tesmaclient PRIVATE -fno-exceptions)
target_link_options(tesmaclient PRIVATE -Wl,--gc-sections)
# Debug information as CodeView, gathered by lld into the PDB beside the
# DLL, which names it without a directory so that a debugger looks beside the
# DLL and in its symbol path. The DLL itself is stripped.
target_compile_options(tesma_core PRIVATE -gcodeview)
target_compile_options(tesmaclient PRIVATE -gcodeview)
target_link_options(tesmaclient PRIVATE -Wl,--pdb=$<TARGET_FILE_DIR:tesmaclient>/${TESMA_PDB}
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
# linkers, lib/libtesmaclient.dll.a for MinGW's (tesmaclient64 for x86_64).
add_custom_command(
    OUTPUT ${TESMA_EXPORTS_DIR}/checked.stamp ${CMAKE_BINARY_DIR}/lib/${TESMA_LIBRARY_NAME}.lib
           ${CMAKE_BINARY_DIR}/lib/lib${TESMA_LIBRARY_NAME}.dll.a
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/check-exports.sh ${TESMA_DEF} ${TESMA_EXPORTS_DIR}/UseEveryExport.obj
            ${TESMA_EXPORTS_DIR}/UseEveryExport.o $<TARGET_FILE:tesmaclient> ${TESMA_EXPORTS_DIR}
            ${PROJECT_SOURCE_DIR}/include/kz/tesmaclient/tesmaclient_c.h
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/check-runtime.sh $<TARGET_FILE:tesmaclient>
            ${TESMA_IMPORTS} $<TARGET_FILE_DIR:tesmaclient>/${TESMA_PDB}
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/check-fast-paths.sh $<TARGET_FILE:tesmaclient>
            $<TARGET_FILE_DIR:tesmaclient>/${TESMA_PDB}
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/check-metadata.sh $<TARGET_FILE:tesmaclient>
            $<TARGET_FILE_DIR:tesmaclient>/${TESMA_PDB} ${PROJECT_VERSION}
    COMMAND ${TESMA_LLVM_DLLTOOL} -m ${TESMA_DLLTOOL_MACHINE} -D ${TESMA_LIBRARY_NAME}.dll -d ${TESMA_EXPORTS_DIR}/imports-msvc.def
            -l ${CMAKE_BINARY_DIR}/lib/${TESMA_LIBRARY_NAME}.lib
    COMMAND ${TESMA_MINGW_DLLTOOL} -D ${TESMA_LIBRARY_NAME}.dll -d ${TESMA_EXPORTS_DIR}/imports-gnu.def
            -l ${CMAKE_BINARY_DIR}/lib/lib${TESMA_LIBRARY_NAME}.dll.a
    COMMAND ${CMAKE_COMMAND} -E touch ${TESMA_EXPORTS_DIR}/checked.stamp
    DEPENDS ${TESMA_DEF} ${TESMA_EXPORTS_DIR}/UseEveryExport.obj ${TESMA_EXPORTS_DIR}/UseEveryExport.o tesmaclient
            ${PROJECT_SOURCE_DIR}/cmake/check-exports.sh ${PROJECT_SOURCE_DIR}/cmake/c-functions.sh
            ${PROJECT_SOURCE_DIR}/cmake/check-runtime.sh
            ${PROJECT_SOURCE_DIR}/cmake/check-fast-paths.sh ${PROJECT_SOURCE_DIR}/cmake/pe-target.sh
            ${PROJECT_SOURCE_DIR}/cmake/check-metadata.sh
            ${TESMA_IMPORTS}
    VERBATIM)
add_custom_target(tesmaclient_exports ALL DEPENDS ${TESMA_EXPORTS_DIR}/checked.stamp)
