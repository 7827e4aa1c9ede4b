# How a program is built the way MSVC builds a game, on a machine without
# Microsoft's tools: clang in MSVC mode (MSVC's ABI, name decoration and
# calling conventions) and lld-link. Microsoft's C runtime is replaced by the
# system's msvcrt.dll, reached through mingw-w64's import libraries, and by the
# small runtime in runtime/ (the start-ups, operator new and delete) and the
# headers in include/. The toolchain files msvc-mode-i686.cmake and
# msvc-mode-x86_64.cmake build projects with it, tesma_msvc_program
# (MsvcPrograms.cmake) our own programs.

set(TESMA_MSVC_MODE_DIR ${CMAKE_CURRENT_LIST_DIR})
# The target follows the configuration's processor (i686 or x86 for 32-bit,
# x86_64 or AMD64 for 64-bit Windows).
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
    set(TESMA_MSVC_MODE_TARGET x86_64-pc-windows-msvc)
    set(TESMA_MSVC_MODE_MINGW_TRIPLE x86_64-w64-mingw32)
else()
    set(TESMA_MSVC_MODE_TARGET i686-pc-windows-msvc)
    set(TESMA_MSVC_MODE_MINGW_TRIPLE i686-w64-mingw32)
endif()
find_program(TESMA_MSVC_MODE_LLD_LINK NAMES lld-link lld-link-14 REQUIRED)

# Nothing from Microsoft's runtime: no exceptions, RTTI or stack cookies.
set(TESMA_MSVC_MODE_C_FLAGS -fno-stack-protector -isystem ${TESMA_MSVC_MODE_DIR}/include)
set(TESMA_MSVC_MODE_CXX_FLAGS ${TESMA_MSVC_MODE_C_FLAGS} -fno-exceptions -fno-rtti)
set(TESMA_MSVC_MODE_LINK_FLAGS /nodefaultlib)
if(TESMA_MSVC_MODE_TARGET MATCHES "^i686")
    # No safe exception handler table: nothing here registers handlers (x86 only).
    list(APPEND TESMA_MSVC_MODE_LINK_FLAGS /safeseh:no)
endif()
set(TESMA_MSVC_MODE_PROGRAM_LINK_FLAGS /subsystem:console /entry:mainCRTStartup)
set(TESMA_MSVC_MODE_DLL_LINK_FLAGS /dll /entry:DllMainCRTStartup)

# mingw-w64's import libraries for the system DLLs, wherever its GCC keeps them.
find_program(TESMA_MSVC_MODE_MINGW_GCC NAMES ${TESMA_MSVC_MODE_MINGW_TRIPLE}-gcc ${TESMA_MSVC_MODE_MINGW_TRIPLE}-gcc-win32
             NO_CACHE REQUIRED)
execute_process(COMMAND ${TESMA_MSVC_MODE_MINGW_GCC} -print-file-name=libmsvcrt.a
                OUTPUT_VARIABLE TESMA_MSVC_MODE_MSVCRT OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(TESMA_MSVC_MODE_SYSTEM_LIBRARY_DIR ${TESMA_MSVC_MODE_MSVCRT} DIRECTORY)
set(TESMA_MSVC_MODE_SYSTEM_LIBRARIES ${TESMA_MSVC_MODE_SYSTEM_LIBRARY_DIR}/libmsvcrt.a
    ${TESMA_MSVC_MODE_SYSTEM_LIBRARY_DIR}/libkernel32.a ${TESMA_MSVC_MODE_SYSTEM_LIBRARY_DIR}/libadvapi32.a)

# Linked as a static library: a program takes the start-up its entry names and
# only the operators it uses and does not define itself.
set(TESMA_MSVC_MODE_RUNTIME_SOURCES)
foreach(part Startup DllStartup StaticConstructors FloatingPoint OperatorNew OperatorNewArray OperatorDelete
             OperatorDeleteSized OperatorDeleteArray OperatorDeleteArraySized)
    list(APPEND TESMA_MSVC_MODE_RUNTIME_SOURCES ${TESMA_MSVC_MODE_DIR}/runtime/${part}.cpp)
endforeach()
