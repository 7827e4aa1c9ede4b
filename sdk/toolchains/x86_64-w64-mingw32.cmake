# Cross-builds a 64-bit Windows game with MinGW-w64's GCC, for example on
# Debian (package g++-mingw-w64-x86-64):
#   cmake -S game -B build -DCMAKE_TOOLCHAIN_FILE=<sdk>/toolchains/x86_64-w64-mingw32.cmake
# The usual cross settings: programs from the build machine; libraries,
# headers and CMake packages from the target's tree only. That tree is
# mingw-w64's and this SDK folder, so find_package(tesmaclient) finds the
# SDK without further settings (CMAKE_PREFIX_PATH=<sdk> works as well).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESMACLIENT_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESMACLIENT_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${TESMACLIENT_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${TESMACLIENT_MINGW_TRIPLE}-windres)

# mingw-w64's tree, wherever this compiler keeps it (its lib/ holds libkernel32.a).
execute_process(COMMAND ${CMAKE_C_COMPILER} -print-file-name=libkernel32.a
                OUTPUT_VARIABLE _tesmaclient_kernel32 OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(IS_ABSOLUTE "${_tesmaclient_kernel32}")
    get_filename_component(_tesmaclient_mingw_root "${_tesmaclient_kernel32}/../.." ABSOLUTE)
else()
    set(_tesmaclient_mingw_root /usr/${TESMACLIENT_MINGW_TRIPLE})
endif()
get_filename_component(_tesmaclient_sdk "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

set(CMAKE_FIND_ROOT_PATH ${_tesmaclient_mingw_root} ${_tesmaclient_sdk})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and the thread runtime linked in: the game then needs no
# MinGW DLLs beside it, only the SDK's three files of bin64/.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
