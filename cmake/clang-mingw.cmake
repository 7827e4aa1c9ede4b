# What clang-i686-mingw.cmake and clang-x86_64-mingw.cmake share: clang for
# Windows (MinGW) on the target TESMA_MINGW_TRIPLE, linked by lld, so the DLL can
# come with a PDB that Windows debuggers read. The C and C++ runtimes are
# mingw-w64's and GCC's win32 threads variant, linked statically: no POSIX
# thread runtime, imports from system DLLs only.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${TESMA_MINGW_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${TESMA_MINGW_TRIPLE})
set(CMAKE_RC_COMPILER ${TESMA_MINGW_TRIPLE}-windres)

# Where the win32 variant of GCC keeps libgcc and libstdc++, and the mingw-w64
# tree (headers, C runtime, system import libraries) it links against; asked of
# that GCC, since clang's own search cannot tell its posix and win32 variants apart.
execute_process(COMMAND ${TESMA_MINGW_TRIPLE}-g++-win32 -print-libgcc-file-name
                OUTPUT_VARIABLE TESMA_LIBGCC OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${TESMA_MINGW_TRIPLE}-g++-win32 -print-file-name=libmsvcrt.a
                OUTPUT_VARIABLE TESMA_LIBMSVCRT OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(TESMA_GCC_LIB_DIR ${TESMA_LIBGCC} DIRECTORY)
get_filename_component(TESMA_MINGW_ROOT ${TESMA_LIBMSVCRT}/../.. ABSOLUTE)

set(CMAKE_SYSROOT ${TESMA_MINGW_ROOT})
set(CMAKE_CXX_FLAGS_INIT "-isystem ${TESMA_GCC_LIB_DIR}/include/c++ \
-isystem ${TESMA_GCC_LIB_DIR}/include/c++/${TESMA_MINGW_TRIPLE} -isystem ${TESMA_GCC_LIB_DIR}/include/c++/backward")

set(CMAKE_FIND_ROOT_PATH ${TESMA_MINGW_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Linked statically so the modules import only system libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -fuse-ld=lld -L${TESMA_GCC_LIB_DIR}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -fuse-ld=lld -L${TESMA_GCC_LIB_DIR}")
