# Cross toolchain for the shipped tesmaclient.dll: i686 Windows with mingw-w64's
# win32 threads variant, which links no POSIX thread runtime into the DLL.
set(TESMA_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwI686.cmake)
