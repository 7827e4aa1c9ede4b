# Cross toolchain for the shipped tesmaclient64.dll: clang for x86_64 Windows (MinGW).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TESMA_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/clang-mingw.cmake)
