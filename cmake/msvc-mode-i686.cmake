# Builds 32-bit Windows programs in MSVC mode (msvc-mode/flags.cmake): enough
# for programs that use printf and the string functions, such as samples/msvc.
#   cmake -S samples/msvc -B build -DCMAKE_TOOLCHAIN_FILE=<this file> -DCMAKE_PREFIX_PATH=<release folder>
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

include(${CMAKE_CURRENT_LIST_DIR}/msvc-mode/flags.cmake)
find_program(TESMA_MSVC_MODE_CLANG NAMES clang++ clang++-14 REQUIRED)
set(CMAKE_CXX_COMPILER ${TESMA_MSVC_MODE_CLANG})
set(CMAKE_CXX_COMPILER_TARGET ${TESMA_MSVC_MODE_TARGET})
set(CMAKE_LINKER ${TESMA_MSVC_MODE_LLD_LINK})
# No Microsoft runtime to link a test program against while CMake checks the compiler.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

list(JOIN TESMA_MSVC_MODE_CXX_FLAGS " " TESMA_MSVC_MODE_CXX_FLAGS_STRING)
set(CMAKE_CXX_FLAGS_INIT "${TESMA_MSVC_MODE_CXX_FLAGS_STRING}")
list(JOIN TESMA_MSVC_MODE_LINK_FLAGS "," TESMA_MSVC_MODE_LINK_FLAGS_STRING)
list(JOIN TESMA_MSVC_MODE_PROGRAM_LINK_FLAGS "," TESMA_MSVC_MODE_PROGRAM_LINK_FLAGS_STRING)
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-nostdlib -Wl,${TESMA_MSVC_MODE_LINK_FLAGS_STRING},${TESMA_MSVC_MODE_PROGRAM_LINK_FLAGS_STRING}")
# A project names system libraries as the Windows SDK does (user32 is
# user32.lib to lld-link): mingw-w64's import libraries under those names.
set(TESMA_MSVC_MODE_SDK_LIBRARY_DIR ${CMAKE_BINARY_DIR}/msvc-mode-system-libraries)
file(MAKE_DIRECTORY ${TESMA_MSVC_MODE_SDK_LIBRARY_DIR})
foreach(name kernel32 user32 advapi32)
    file(CREATE_LINK ${TESMA_MSVC_MODE_SYSTEM_LIBRARY_DIR}/lib${name}.a ${TESMA_MSVC_MODE_SDK_LIBRARY_DIR}/${name}.lib
         SYMBOLIC)
endforeach()
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,/libpath:${TESMA_MSVC_MODE_SDK_LIBRARY_DIR}")
list(JOIN TESMA_MSVC_MODE_SYSTEM_LIBRARIES " " TESMA_MSVC_MODE_SYSTEM_LIBRARIES_STRING)
set(CMAKE_CXX_STANDARD_LIBRARIES "${TESMA_MSVC_MODE_SYSTEM_LIBRARIES_STRING}" CACHE STRING "" FORCE)
# The runtime joins every program of the project.
set(CMAKE_PROJECT_INCLUDE ${TESMA_MSVC_MODE_DIR}/runtime.cmake)
