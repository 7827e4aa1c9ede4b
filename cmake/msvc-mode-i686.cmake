# Builds 32-bit Windows programs in MSVC mode (msvc-mode/flags.cmake): enough
# for programs that use printf and the string functions, such as samples/msvc.
#   cmake -S samples/msvc -B build -DCMAKE_TOOLCHAIN_FILE=<this file> -DCMAKE_PREFIX_PATH=<release folder>
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/msvc-mode/toolchain.cmake)
