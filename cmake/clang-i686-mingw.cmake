# Cross toolchain for the shipped tesmaclient.dll: clang for i686 Windows (MinGW).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TESMA_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/clang-mingw.cmake)
