# tesmaclient.dll and its import libraries.
#
# tesmaclient.def maps each MSVC decorated name, which a game imports, to the
# symbol GCC gives the same member. The build fails when the names drift from
# what an MSVC-mode compile of the public header demands.

set(TESMA_DEF ${PROJECT_SOURCE_DIR}/src/tesmaclient.def)

# The checks call llvm-nm, llvm-undname, llvm-readobj, c++filt, nm and objdump by name;
# finding them here fails the configuration early instead of the build.
find_program(TESMA_LLVM_NM llvm-nm REQUIRED)
find_program(TESMA_LLVM_DLLTOOL llvm-dlltool REQUIRED)
find_program(TESMA_LLVM_UNDNAME llvm-undname REQUIRED)
find_program(TESMA_MINGW_DLLTOOL i686-w64-mingw32-dlltool REQUIRED)
find_program(TESMA_MINGW_CXXFILT i686-w64-mingw32-c++filt REQUIRED)
find_program(TESMA_MINGW_OBJDUMP i686-w64-mingw32-objdump REQUIRED)
find_program(TESMA_MINGW_OBJCOPY i686-w64-mingw32-objcopy REQUIRED)
find_program(TESMA_MINGW_STRIP i686-w64-mingw32-strip REQUIRED)
find_program(TESMA_LLVM_READOBJ llvm-readobj REQUIRED)

add_library(tesmaclient SHARED ${PROJECT_SOURCE_DIR}/src/launcher/Win32SystemCalls.cpp ${TESMA_DEF})
target_link_libraries(tesmaclient PRIVATE $<LINK_LIBRARY:WHOLE_ARCHIVE,tesma_core>)
set_target_properties(tesmaclient PROPERTIES PREFIX "" IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a")
# Nothing in the library throws (see Allocate.h); unreferenced code, such as the
# text type's std::string conveniences, is left out.
target_compile_options(tesma_core PRIVATE -fno-exceptions -ffunction-sections -fdata-sections)
target_compile_options(tesmaclient PRIVATE -fno-exceptions)
target_link_options(tesmaclient PRIVATE -Wl,--gc-sections)
# The shipped DLL is stripped; its debug information goes beside it, linked by name.
add_custom_command(TARGET tesmaclient POST_BUILD
    COMMAND ${TESMA_MINGW_OBJCOPY} --only-keep-debug $<TARGET_FILE:tesmaclient> $<TARGET_FILE:tesmaclient>.debug
    COMMAND ${TESMA_MINGW_STRIP} --strip-all $<TARGET_FILE:tesmaclient>
    COMMAND ${TESMA_MINGW_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE:tesmaclient>.debug $<TARGET_FILE:tesmaclient>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:tesmaclient>
    VERBATIM)

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
    OUTPUT ${TESMA_EXPORTS_DIR}/checked.stamp ${TESMA_OUTPUT_DIR}/bin/tesmaclient.lib
           ${TESMA_OUTPUT_DIR}/lib/libtesmaclient_gnu.a
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TESMA_OUTPUT_DIR}/lib
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/check-exports.sh ${TESMA_DEF} ${TESMA_EXPORTS_DIR}/UseEveryExport.obj
            $<TARGET_FILE:tesmaclient> ${TESMA_EXPORTS_DIR}
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/check-runtime.sh $<TARGET_FILE:tesmaclient>
            ${PROJECT_SOURCE_DIR}/cmake/tesmaclient-imports.txt
    COMMAND ${TESMA_LLVM_DLLTOOL} -m i386 -D tesmaclient.dll -d ${TESMA_EXPORTS_DIR}/imports-msvc.def
            -l ${TESMA_OUTPUT_DIR}/bin/tesmaclient.lib
    COMMAND ${TESMA_MINGW_DLLTOOL} -D tesmaclient.dll -d ${TESMA_EXPORTS_DIR}/imports-gnu.def
            -l ${TESMA_OUTPUT_DIR}/lib/libtesmaclient_gnu.a
    COMMAND ${CMAKE_COMMAND} -E touch ${TESMA_EXPORTS_DIR}/checked.stamp
    DEPENDS ${TESMA_DEF} ${TESMA_EXPORTS_DIR}/UseEveryExport.obj tesmaclient
            ${PROJECT_SOURCE_DIR}/cmake/check-exports.sh ${PROJECT_SOURCE_DIR}/cmake/check-runtime.sh
            ${PROJECT_SOURCE_DIR}/cmake/tesmaclient-imports.txt
    VERBATIM)
add_custom_target(tesmaclient_exports ALL DEPENDS ${TESMA_EXPORTS_DIR}/checked.stamp)
