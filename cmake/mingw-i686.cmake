# Cross toolchain for the Windows test programs: i686 Windows with mingw-w64's
# posix threads variant, which GoogleTest needs for std::mutex. The shipped DLL
# is built with mingw-i686-win32.cmake instead (see Product.cmake).
set(TESMA_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/MingwI686.cmake)
