# Builds a 32-bit Windows program the way MSVC does (MSVC's ABI, name
# decoration and calling conventions) on a machine without Microsoft's tools:
# clang in MSVC mode and lld-link. Microsoft's C runtime is replaced by the
# system's msvcrt.dll, reached through mingw-w64's import library, and by the
# small start-up and headers in msvc-mode/: enough for programs that use
# printf and the string functions, such as samples/msvc.
#   cmake -S samples/msvc -B build -DCMAKE_TOOLCHAIN_FILE=<this file> -DCMAKE_PREFIX_PATH=<release folder>
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

find_program(TESMA_MSVC_MODE_CLANG NAMES clang++ clang++-14 REQUIRED)
find_program(TESMA_MSVC_MODE_LLD_LINK NAMES lld-link lld-link-14 REQUIRED)
set(CMAKE_CXX_COMPILER ${TESMA_MSVC_MODE_CLANG})
set(CMAKE_CXX_COMPILER_TARGET i686-pc-windows-msvc)
set(CMAKE_LINKER ${TESMA_MSVC_MODE_LLD_LINK})
# No Microsoft runtime to link a test program against while CMake checks the compiler.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(TESMA_MSVC_MODE_DIR ${CMAKE_CURRENT_LIST_DIR}/msvc-mode)
# mingw-w64's import libraries for msvcrt.dll and KERNEL32, wherever its GCC keeps them.
find_program(TESMA_MSVC_MODE_MINGW_GCC NAMES i686-w64-mingw32-gcc i686-w64-mingw32-gcc-win32 REQUIRED)
execute_process(COMMAND ${TESMA_MSVC_MODE_MINGW_GCC} -print-file-name=libmsvcrt.a
                OUTPUT_VARIABLE TESMA_MSVC_MODE_MSVCRT OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(TESMA_MSVC_MODE_SYSROOT ${TESMA_MSVC_MODE_MSVCRT} DIRECTORY)
set(CMAKE_CXX_FLAGS_INIT "-fno-exceptions -fno-rtti -fno-stack-protector -isystem ${TESMA_MSVC_MODE_DIR}/include")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-nostdlib -Wl,/nodefaultlib,/entry:mainCRTStartup,/safeseh:no")
set(CMAKE_CXX_STANDARD_LIBRARIES
    "${TESMA_MSVC_MODE_SYSROOT}/libmsvcrt.a ${TESMA_MSVC_MODE_SYSROOT}/libkernel32.a"
    CACHE STRING "" FORCE)
# The start-up joins every program of the project.
set(CMAKE_PROJECT_INCLUDE ${TESMA_MSVC_MODE_DIR}/runtime.cmake)
