# Builds 64-bit Windows programs in MSVC mode, as msvc-mode-i686.cmake does
# 32-bit ones; a project changes nothing but this file.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/msvc-mode/toolchain.cmake)
